#pragma once

#include "design/PressableButton.h"
#include "panels/MakerShowcase.h"

namespace meterix {

class HoverFade;

// One of the maker's other products: its category's tile, its name (with an
// "Experimental" badge), a one-line summary and an outward arrow. Hovered, it
// sits on the accent colour with its texts in white; a click opens its page.
class ProductRow : public PressableButton {
    Q_OBJECT

  public:
    explicit ProductRow(MakerProduct product, QWidget* parent = nullptr);

    const MakerProduct& product() const { return product_; }
    bool isHovered() const;
    void setHovered(bool hovered);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintContent(QPainter& painter, const QRectF& rect) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    MakerProduct product_;
    HoverFade* hover_;
};

} // namespace meterix
