#include "panels/TextChip.h"

namespace meterix {

TextChip::TextChip(QString text, QFont font, std::function<QColor()> foreground, std::function<QColor()> fill,
                   double marginH, double marginV, QWidget* parent)
    : CapsuleBadge(parent), text_(std::move(text)), font_(std::move(font)),
      foreground_(std::move(foreground)), fill_(std::move(fill)), marginH_(marginH), marginV_(marginV) {
    setAccessibleName(text_);
}

BadgeLook TextChip::look() const {
    BadgeLook l;
    l.text = text_;
    l.font = font_;
    l.foreground = foreground_();
    l.fill = fill_();
    l.rim = Qt::transparent;
    l.spacing = 0;
    l.marginH = marginH_;
    l.marginV = marginV_;
    return l;
}

} // namespace meterix
