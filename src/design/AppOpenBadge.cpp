#include "design/AppOpenBadge.h"

#include "core/L10n.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"

namespace meterix {

AppOpenBadge::AppOpenBadge(Localization& localization, QWidget* parent) : CapsuleBadge(localization, parent) {
    textChanged();
}

QString AppOpenBadge::accessibleText() const {
    return L10n::desktopAppRunning().text();
}

BadgeLook AppOpenBadge::look() const {
    BadgeLook l;
    l.symbol = QStringLiteral("macwindow");
    l.symbolPointSize = 8;
    l.symbolWeight = SymbolWeight::bold;
    l.text = L10n::appOpen().text();
    l.font = MeterixFont::rounded(9, QFont::Bold);
    l.foreground = LabelColor::secondary();
    l.fill = withOpacity(LabelColor::primary(), 0.07);
    l.rim = withOpacity(LabelColor::primary(), 0.12);
    l.spacing = 3.5;
    l.marginH = 6;
    l.marginV = 2.5;
    return l;
}

} // namespace meterix
