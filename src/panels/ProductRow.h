#pragma once

#include "panels/MakerShowcase.h"

#include <QWidget>

namespace meterix {

// One of the maker's other products: its category's tile, its name (with an
// "Experimental" badge) and a one-line summary. It leads nowhere (the product
// has no public page), so it takes no pointer or keyboard.
class ProductRow : public QWidget {
    Q_OBJECT

  public:
    explicit ProductRow(MakerProduct product, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    MakerProduct product_;
};

} // namespace meterix
