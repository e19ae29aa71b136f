#include "panels/AccountRowModel.h"

#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/UsageUnavailableReason.h"
#include "design/TimeTexts.h"

#include <QStringList>

namespace meterix {

namespace {
const QString kJoin = QStringLiteral(" · ");
} // namespace

QString AccountRowModel::labelOf(const ResolvedAccount& a) {
    if (a.email && !a.email->isEmpty()) return *a.email;
    if (a.displayName && !a.displayName->isEmpty()) return *a.displayName;
    if (a.sources.isEmpty()) return L10n::accountUnnamedOf(displayName(a.provider)).text();
    const AccountSource& where = a.sources.first();
    switch (where.kind) {
    case AccountSourceKind::api:
        return L10n::accountUnnamedAPIKey().text();
    case AccountSourceKind::cli:
        return L10n::accountUnnamedProfile(where.displayName).text();
    case AccountSourceKind::desktopApp:
    case AccountSourceKind::ide:
        break;
    }
    return L10n::accountUnnamedOf(where.displayName).text();
}

std::optional<QString> AccountRowModel::subtitle() const {
    QStringList parts;
    for (const auto& part : {planName, organization})
        if (part && !part->isEmpty()) parts.append(*part);
    if (parts.isEmpty()) return std::nullopt;
    return parts.join(kJoin);
}

QList<Rgb> AccountRowModel::tileColors() const {
    if (isRunning) return {Rgb::fromHex(0x30D158), Rgb::fromHex(0x18863A)};
    if (isDisplayed) return {Rgb::fromHex(0x0A84FF), Rgb::fromHex(0x0050C7)};
    return {Rgb::fromHex(0x8E8E93), Rgb::fromHex(0x5A5A60)};
}

QString AccountRowModel::runningChipText() const {
    return runningLabel ? *runningLabel : L10n::running().text();
}

std::optional<QString> AccountRowModel::percentageText() const {
    if (!remainingPercentage) return std::nullopt;
    const auto whole = displayedPercent(*remainingPercentage);
    if (!whole) return std::nullopt;
    return QString::number(*whole) + QLatin1Char('%');
}

std::optional<Rgb> AccountRowModel::percentageAccent() const {
    if (!remainingPercentage || readingCapturedAt) return std::nullopt;
    return accent(usageTierFrom(*remainingPercentage));
}

std::optional<QString> AccountRowModel::secondLine(const Clock& clock) const {
    // The account the bar follows says so, also while its reading is still to
    // come: what its reading lacks or how old it is, the screen's header and
    // ring above tell.
    if (isDisplayed) return L10n::onTheBar().text();
    if (missingFigure) return missingFigure;
    if (readingCapturedAt) return accountReadingAgeText(*readingCapturedAt, clock);
    // An account the registry found is signed in; that its usage cannot be read
    // is said as the reason is everywhere else.
    if (!usageReadable) return displayText(UsageUnavailableReason::awaitingFirstReading);
    return std::nullopt;
}

QString AccountRowModel::accessibleLabel() const {
    QString text = label + QStringLiteral(", ") + sourceBadge;
    if (isRunning) text += QStringLiteral(", ") + L10n::running().text();
    if (isDisplayed) text += QStringLiteral(", ") + L10n::onTheBar().text();
    return text;
}

} // namespace meterix
