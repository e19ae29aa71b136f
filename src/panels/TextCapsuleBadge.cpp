#include "panels/TextCapsuleBadge.h"

namespace meterix {

TextCapsuleBadge::TextCapsuleBadge(Localization& localization, std::function<BadgeLook()> look, QWidget* parent)
    : CapsuleBadge(localization, parent), look_(std::move(look)) {
    textChanged();
}

void TextCapsuleBadge::setLook(std::function<BadgeLook()> look) {
    look_ = std::move(look);
    textChanged();
}

BadgeLook TextCapsuleBadge::plain(QString text, QFont font, QColor foreground, QColor fill, double marginH,
                                  double marginV) {
    BadgeLook l;
    l.text = std::move(text);
    l.font = std::move(font);
    l.foreground = foreground;
    l.fill = fill;
    l.rim = Qt::transparent;
    l.spacing = 0;
    l.markSize = QSizeF(0, 0);
    l.marginH = marginH;
    l.marginV = marginV;
    return l;
}

} // namespace meterix
