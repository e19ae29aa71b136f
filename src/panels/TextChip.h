#pragma once

#include "design/CapsuleBadge.h"

#include <functional>

namespace meterix {

// A short text on a filled capsule (source kinds, "Detected", "Experimental"),
// its colours looked up when drawn so a light/dark switch only repaints it.
class TextChip : public CapsuleBadge {
    Q_OBJECT

  public:
    TextChip(QString text, QFont font, std::function<QColor()> foreground, std::function<QColor()> fill,
             double marginH = 4.5, double marginV = 1.5, QWidget* parent = nullptr);

    const QString& text() const { return text_; }

  protected:
    BadgeLook look() const override;

  private:
    QString text_;
    QFont font_;
    std::function<QColor()> foreground_;
    std::function<QColor()> fill_;
    double marginH_;
    double marginV_;
};

} // namespace meterix
