#include "panels/MakerShowcase.h"

#include "core/L10n.h"

namespace meterix {

QList<Rgb> MakerProduct::colors(Category category) {
    switch (category) {
    case Category::iOS:
        return {Rgb::fromHex(0x0A84FF), Rgb::fromHex(0x0050C7)};
    case Category::web:
        return {Rgb::fromHex(0x30D158), Rgb::fromHex(0x18863A)};
    case Category::crypto:
        return {Rgb::fromHex(0xBF5AF2), Rgb::fromHex(0x7A2CB0)};
    }
    return {};
}

QString MakerProduct::symbol(Category category) {
    switch (category) {
    case Category::iOS:
        return QStringLiteral("iphone");
    case Category::web:
        return QStringLiteral("globe");
    case Category::crypto:
        return QStringLiteral("chart.line.uptrend.xyaxis");
    }
    return {};
}

namespace MakerShowcase {

QList<MakerProduct> products() {
    using C = MakerProduct::Category;
    return {
        {QStringLiteral("kolbry"), L10n::productKolbry().text(), L10n::productKolbrySummary().text(), C::iOS,
         false},
        {QStringLiteral("venmora"), L10n::productVenmora().text(), L10n::productVenmoraSummary().text(),
         C::web, false},
        {QStringLiteral("drumlet"), L10n::productDrumlet().text(), L10n::productDrumletSummary().text(),
         C::web, false},
        {QStringLiteral("sorvane"), L10n::productSorvane().text(), L10n::productSorvaneSummary().text(),
         C::web, true},
        {QStringLiteral("tibrosa"), L10n::productTibrosa().text(), L10n::productTibrosaSummary().text(),
         C::crypto, false},
    };
}

int liveCount() {
    int n = 0;
    for (const MakerProduct& p : products())
        if (!p.isExperimental) ++n;
    return n;
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace MakerShowcase

} // namespace meterix
