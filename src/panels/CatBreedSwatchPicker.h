#pragma once

#include "core/PixelCatBreed.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

namespace meterix {

class CatSwatch;

// The cat's coats as a row of round swatches painted from each coat's palette,
// at the leading edge. A click writes the binding; the selected swatch carries
// an accent ring, a hovered other one grows by a tenth.
class CatBreedSwatchPicker : public QWidget {
    Q_OBJECT

  public:
    CatBreedSwatchPicker(std::function<PixelCatBreed()> get,
                         std::function<void(PixelCatBreed)> set, QWidget* parent = nullptr);

    PixelCatBreed selection() const { return get_(); }
    std::optional<PixelCatBreed> hovered() const { return hovered_; }
    void refresh();

    static constexpr double swatchSize = 21;
    static constexpr double ringMargin = 2.5;
    static constexpr double outerSize = swatchSize + 2 * ringMargin; // 26
    static constexpr double spacing = 8;
    static constexpr double hoverScale = 1.1;

    QSize sizeHint() const override;

  private:
    friend class CatSwatch;
    void pick(PixelCatBreed breed);
    void setHovered(std::optional<PixelCatBreed> breed);

    std::function<PixelCatBreed()> get_;
    std::function<void(PixelCatBreed)> set_;
    QList<CatSwatch*> swatches_;
    std::optional<PixelCatBreed> hovered_;
};

} // namespace meterix
