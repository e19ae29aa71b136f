#include "design/TierBadge.h"

#include "design/MeterixFont.h"
#include "design/Surface.h"

namespace meterix {

TierBadge::TierBadge(Localization& localization, UsageTier tier, bool compact, QWidget* parent)
    : CapsuleBadge(localization, parent), tier_(tier), compact_(compact) {
    textChanged();
}

BadgeLook TierBadge::lookFor(UsageTier tier, bool compact) {
    const QColor colour = toQColor(accent(tier));
    BadgeLook l;
    l.symbol = symbol(tier);
    l.symbolPointSize = compact ? 7 : 8;
    l.symbolWeight = SymbolWeight::black;
    l.text = label(tier);
    l.font = MeterixFont::rounded(compact ? 9 : 10, QFont::Bold);
    l.foreground = colour;
    l.fill = withOpacity(colour, 0.15);
    l.rim = withOpacity(colour, 0.32);
    l.spacing = 3;
    l.marginH = compact ? 5.5 : 7;
    l.marginV = compact ? 2 : 3;
    return l;
}

} // namespace meterix
