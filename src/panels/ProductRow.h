#pragma once

#include "panels/HoverPressableButton.h"
#include "panels/MakerShowcase.h"

namespace meterix {

class SoundEffectsEngine;

// One of the maker's other products: its category's tile, its name (with an
// "Experimental" badge), a one-line summary and an outward arrow. Hovered, it
// sits on the accent colour with its texts in white; a click opens its page.
class ProductRow : public HoverPressableButton {
    Q_OBJECT

  public:
    // A tap gives the selection feedback, then opens the product's page.
    ProductRow(SoundEffectsEngine& sounds, MakerProduct product, QWidget* parent = nullptr);

    const MakerProduct& product() const { return product_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintContent(QPainter& painter, const QRectF& rect) override;

  private:
    MakerProduct product_;
};

} // namespace meterix
