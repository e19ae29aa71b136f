#include "panels/ProviderDetailModel.h"

#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"
#include "core/ReadingWords.h"
#include "design/MissingFigure.h"
#include "design/TimeTexts.h"
#include "panels/QuotaMeterRow.h"

#include <QStringList>

namespace meterix {

ProviderDetailModel::Inputs ProviderDetailModel::Inputs::of(const PresentedState& state,
                                                            const PresentedAccounts& accounts,
                                                            AIProviderType provider) {
    Inputs in;
    in.provider = provider;
    if (const auto it = state.snapshots.constFind(provider); it != state.snapshots.constEnd()) in.snapshot = *it;
    in.displayedAccount = accounts.displayed;
    in.accounts = accounts.accounts;
    in.isInUse = state.activeInUseProviders.contains(provider);
    in.isRefreshing = state.isRefreshing;
    in.bestKnownSnapshot = [readings = accounts.readings](const QString& id) -> std::optional<UsageSnapshot> {
        if (const auto it = readings.constFind(id); it != readings.constEnd()) return *it;
        return std::nullopt;
    };
    in.isAccountRunning = [running = accounts.running](const QString& id) { return running.contains(id); };
    in.runningApps = [apps = accounts.runningApps](const ResolvedAccount& a) { return apps.value(a.id); };
    return in;
}

namespace {

// An account the registry lists is signed in: it is never "not connected",
// whatever a reading without figures left unsaid.
UsageUnavailableReason signedInReason(UsageUnavailableReason r) {
    return r == UsageUnavailableReason::notConfigured ? UsageUnavailableReason::awaitingFirstReading : r;
}

} // namespace

ProviderDetailModel::ProviderDetailModel(Inputs inputs, const Clock& clock)
    : in_(std::move(inputs)), clock_(clock),
      // Without a reading the screen says so, as the overview does; it never
      // makes one up.
      snapshot_(in_.snapshot ? *in_.snapshot : UsageSnapshot::simulatedFallback(in_.provider, clock.now())) {}

QList<QDateTime> ProviderDetailModel::timeTextMoments() const {
    QList<QDateTime> moments = meterix::timeTextMoments(snapshot_);
    for (const ResolvedAccount& a : in_.accounts)
        if (const auto reading = in_.bestKnownSnapshot ? in_.bestKnownSnapshot(a.id) : std::nullopt)
            moments.append(reading->capturedAt);
    return moments;
}

ProviderDetailModel::Shape ProviderDetailModel::shape() const {
    Shape s;
    for (const ResolvedAccount& a : in_.accounts)
        s.accountIDs.append(a.id);
    s.failureNotice = snapshot_.fetchError.has_value();
    s.simulated = isSimulated();
    if (s.simulated) s.missingReason = missingFigureReason(snapshot_);
    if (!s.simulated)
        for (const ModelQuotaItem& item : quotas())
            s.quotaNames.append(item.id());
    s.paceFootnote = !s.simulated && quotaFootnote().has_value();
    return s;
}

QString ProviderDetailModel::headerTitle() const {
    if (in_.displayedAccount && in_.displayedAccount->planName) return *in_.displayedAccount->planName;
    if (snapshot_.planName) return labelText(*snapshot_.planName);
    return displayName(in_.provider);
}

QString ProviderDetailModel::headerSubtitle() const {
    if (isStale()) return accountReadingAgeText(snapshot_.capturedAt, clock_);
    if (in_.displayedAccount) return AccountRowModel::labelOf(*in_.displayedAccount);
    if (snapshot_.accountEmail) return *snapshot_.accountEmail;
    // A reading without a figure says why, in the card's words: a key that is
    // there but could not be used is no missing sign-in.
    if (const auto reason = missingFigureReason(snapshot_); reason && isSimulated()) return displayText(*reason);
    return L10n::noSignInFound().text();
}

QString ProviderDetailModel::sourceChipText() const {
    return readingSourceText(snapshot_.strategyUsed, snapshot_.provider);
}

std::optional<QString> ProviderDetailModel::runningLabel(const QList<AccountSource>& apps, bool isRunning) {
    if (apps.isEmpty()) return isRunning ? std::optional<QString>(QStringLiteral("CLI")) : std::nullopt;
    QList<AccountSourceKind> kinds;
    for (const AccountSource& app : apps)
        if (!kinds.contains(app.kind)) kinds.append(app.kind);
    QStringList badges;
    for (AccountSourceKind k : kinds)
        badges.append(badgeText(k));
    return badges.join(QStringLiteral(" · "));
}

AccountRowModel ProviderDetailModel::accountRow(const ResolvedAccount& account) const {
    AccountRowModel row;
    row.label = AccountRowModel::labelOf(account);
    row.planName = account.planName;
    row.organization = account.organization;
    row.sourceBadge = account.sourceBadgeText();
    row.sourceSymbol =
        account.sources.isEmpty() ? QStringLiteral("person") : symbol(account.sources.first().kind);
    row.isDisplayed = in_.displayedAccount && in_.displayedAccount->id == account.id;
    row.isRunning = in_.isAccountRunning && in_.isAccountRunning(account.id);
    row.runningLabel =
        runningLabel(in_.runningApps ? in_.runningApps(account) : QList<AccountSource>{}, row.isRunning);
    row.usageReadable = account.usageReadable;
    // An account whose usage cannot be read, with no reading of its own, says
    // why: in its provider's reading's words when that has no figure either,
    // else that nothing of it was recorded yet.
    if (!account.usageReadable)
        row.missingFigure = displayText(
            signedInReason(missingFigureReason(snapshot_).value_or(UsageUnavailableReason::awaitingFirstReading)));
    if (const auto reading = in_.bestKnownSnapshot ? in_.bestKnownSnapshot(account.id) : std::nullopt) {
        const QDateTime now = clock_.now();
        if (const auto reason = missingFigureReason(*reading)) {
            // A reading without a figure is no 0 %: the row tells why instead.
            row.missingFigure = displayText(signedInReason(*reason));
        } else {
            row.missingFigure.reset(); // a reading of its own tells more than its provider's
            // A window that has ended shows no figure until it is read again.
            if (!reading->isHeadlineWindowElapsed(now))
                row.remainingPercentage = reading->headlineRemainingPercentage;
            if (reading->isStale(now)) row.readingCapturedAt = reading->capturedAt;
        }
    }
    return row;
}

std::optional<QString> ProviderDetailModel::accountsFootnote() const {
    if (!showsAccountsFootnote()) return std::nullopt;
    return (in_.displayedAccount ? L10n::accountsFootnoteAttribution() : L10n::accountsFootnotePerAccount()).text();
}

QList<AccountRowModel> ProviderDetailModel::accountRows() const {
    QList<AccountRowModel> rows;
    for (const ResolvedAccount& a : in_.accounts)
        rows.append(accountRow(a));
    return rows;
}

UsageUnavailableNotice ProviderDetailModel::missingFigureNotice() const {
    return notice(missingFigureReason(snapshot_).value_or(UsageUnavailableReason::notConfigured), snapshot_.provider,
                  snapshot_.setupLookup);
}

std::optional<QString> ProviderDetailModel::failureNotice() const {
    if (!snapshot_.fetchError) return std::nullopt;
    QString text = L10n::refreshFailed(*snapshot_.fetchError).text();
    if (!isSimulated()) text += L10n::showingLastMeasurement().text();
    return text;
}

QString ProviderDetailModel::heroCaption() const {
    return snapshot_.headlineQuotaName ? labelText(*snapshot_.headlineQuotaName) : L10n::sessionQuota().text();
}

std::optional<QDateTime> ProviderDetailModel::windowEndedAt() const {
    if (snapshot_.isHeadlineWindowElapsed(clock_.now())) return snapshot_.headlineResetAt;
    return std::nullopt;
}

QList<ModelQuotaItem> ProviderDetailModel::quotas() const {
    return snapshot_.modelQuotas.isEmpty() ? fallbackQuotas(snapshot_) : snapshot_.modelQuotas;
}

QList<ModelQuotaItem> ProviderDetailModel::fallbackQuotas(const UsageSnapshot& s) {
    QList<ModelQuotaItem> items{ModelQuotaItem(QuotaLabel(QuotaKind::sessionOf).withSubject(shortName(s.provider)),
                                               clampPercentage(s.headlineRemainingPercentage), QuotaKind::fiveHourSession,
                                               s.headlineResetAt)};
    if (s.weeklyRemainingPercentage)
        items.append(ModelQuotaItem(QuotaLabel(QuotaKind::weeklyOf).withSubject(shortName(s.provider)),
                                    clampPercentage(*s.weeklyRemainingPercentage), QuotaKind::weeklyLimit,
                                    s.weeklyResetAt));
    return items;
}

std::optional<QString> ProviderDetailModel::quotaFootnote() const {
    const QDateTime now = clock_.now();
    for (const ModelQuotaItem& item : quotas())
        if (QuotaMeterRow::display(item, now).paceMarker) return L10n::quotaDetailFootnote().text();
    return std::nullopt;
}

QList<ProviderDetailModel::ActionRow> ProviderDetailModel::actions() const {
    QList<ActionRow> rows{
        {Action::refresh, L10n::refreshThisProvider().text(), QStringLiteral("arrow.clockwise")}};
    if (const auto dashboard = accountDashboardURL(in_.provider))
        rows.append({Action::dashboard, L10n::planUsageDashboard().text(),
                     QStringLiteral("chart.bar.doc.horizontal"), true, *dashboard});
    if (const QUrl status = statusPageURL(in_.provider); status.isValid() && !status.isEmpty())
        rows.append({Action::statusPage, L10n::serviceStatusPage().text(),
                     QStringLiteral("waveform.path.ecg"), true, status});
    rows.append(
        {Action::settings, L10n::providerSettingsEllipsis().text(), QStringLiteral("slider.horizontal.3")});
    return rows;
}

} // namespace meterix
