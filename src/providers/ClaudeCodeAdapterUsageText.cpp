// The text the client prints for its usage command, read into a snapshot.
#include "providers/ClaudeCodeAdapter.h"

#include "core/L10n.h"
#include "core/Numbers.h"

#include <QRegularExpression>
#include <QSet>

namespace meterix {

namespace {

constexpr QRegularExpression::PatternOptions kOptions =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;

const QString kSessionPattern = QStringLiteral("Current session:\\s*(\\d+)%\\s*used([^\\n]*)");
const QString kWeeklyPattern =
    QStringLiteral("Current week\\s*\\(all models\\):\\s*(\\d+)%\\s*used([^\\n]*)");
// The client writes "Jan 5 at 3:00pm", "Oct 5, 10:09pm" and "Aug 21 at 12pm": after
// the day " at ", ", " (or both, or a plain blank), and the minutes only when the
// time is not on the hour.
const QString kResetPattern = QStringLiteral(
    "resets\\s+([A-Za-z]{3})\\s+(\\d{1,2})(?:\\s*,\\s*|\\s+)(?:at\\s+)?(\\d{1,2})(?::(\\d{2}))?\\s*([ap]m)"
    "(?:\\s*\\(([^)]+)\\))?");

QString modelPattern(const QString& model) {
    return QStringLiteral("Current week\\s*\\(") + model + QStringLiteral("\\):\\s*(\\d+)%\\s*used([^\\n]*)");
}

int monthNumber(const QString& abbreviation) {
    static const QStringList months{QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                    QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                    QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                    QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    return static_cast<int>(months.indexOf(abbreviation.toLower())) + 1; // 0 when unknown
}

std::optional<int> smallInt(const QString& digits) {
    bool ok = false;
    const int v = digits.toInt(&ok);
    if (!ok) return std::nullopt;
    return v;
}

// Qt opens a zone name as a file below its zone folder, so "../../x" or a FIFO
// there would be read (or block for ever). Only the names the system lists are
// taken, looked up once.
std::optional<QTimeZone> knownZone(const QString& name) {
    static const QSet<QByteArray> known = [] {
        const QList<QByteArray> ids = QTimeZone::availableTimeZoneIds();
        return QSet<QByteArray>(ids.begin(), ids.end());
    }();
    const QByteArray id = name.toUtf8();
    if (!known.contains(id)) return std::nullopt;
    const QTimeZone zone(id);
    if (!zone.isValid()) return std::nullopt;
    return zone;
}

ModelQuotaItem lineItem(const QString& name, const QString& quotaType,
                        const ClaudeCodeAdapter::QuotaWindow& w) {
    return ModelQuotaItem(name, w.remainingPercentage, quotaType, w.resetCountdown);
}

} // namespace

std::optional<double> ClaudeCodeAdapter::resetCountdown(const QString& phrase, const QDateTime& now,
                                                        const QTimeZone& systemZone) {
    static const QRegularExpression reset(kResetPattern, kOptions);
    const QRegularExpressionMatch m = reset.match(phrase);
    if (!m.hasMatch()) return std::nullopt;
    const int month = monthNumber(m.captured(1));
    const auto day = smallInt(m.captured(2));
    auto hour = smallInt(m.captured(3));
    const auto minute = m.capturedStart(4) >= 0 ? smallInt(m.captured(4)) : std::optional<int>(0);
    if (month == 0 || !day || !hour || !minute) return std::nullopt;
    const QString meridiem = m.captured(5).toLower();
    if (meridiem == QLatin1String("pm") && *hour != 12)
        *hour += 12;
    else if (meridiem == QLatin1String("am") && *hour == 12)
        *hour = 0;

    QTimeZone zone = systemZone;
    if (m.capturedStart(6) >= 0)
        if (const auto named = knownZone(m.captured(6).trimmed())) zone = *named;
    // Strict calendar: "Feb 31" or "25:00" is no date, so no countdown.
    auto build = [&](int year) -> std::optional<QDateTime> {
        const QDate date(year, month, *day);
        const QTime time(*hour, *minute);
        if (!date.isValid() || !time.isValid()) return std::nullopt;
        const QDateTime at(date, time, zone);
        if (!at.isValid()) return std::nullopt;
        return at;
    };
    const int year = now.toTimeZone(zone).date().year();
    auto at = build(year);
    if (!at) return std::nullopt;
    if (secondsBetween(now, *at) < -86400) {
        at = build(year + 1);
        if (!at) return std::nullopt;
    }
    const double seconds = secondsBetween(now, *at);
    if (!(seconds > 0)) return std::nullopt;
    return seconds;
}

std::optional<ClaudeCodeAdapter::QuotaWindow> ClaudeCodeAdapter::usageLine(const QString& text,
                                                                           const QString& pattern,
                                                                           const QDateTime& now,
                                                                           const QTimeZone& systemZone) {
    const QRegularExpression re(pattern, kOptions);
    if (!re.isValid()) return std::nullopt;
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    // Digits only, but possibly too many for any real percentage: not finite means no figure.
    const auto used = parseFiniteDouble(m.captured(1));
    if (!used) return std::nullopt;
    QuotaWindow w{clampPercentage(100.0 - *used), std::nullopt};
    if (m.capturedStart(2) >= 0) w.resetCountdown = resetCountdown(m.captured(2), now, systemZone);
    return w;
}

std::optional<UsageSnapshot> ClaudeCodeAdapter::parseClaudeUsageOutput(const QString& text,
                                                                       const QDateTime& now,
                                                                       const QTimeZone& systemZone) {
    const auto session = usageLine(text, kSessionPattern, now, systemZone);
    if (!session) return std::nullopt;
    const auto weekly = usageLine(text, kWeeklyPattern, now, systemZone);

    QList<ModelQuotaItem> items{
        lineItem(L10n::claudeSession5h().text(), QStringLiteral("5-Hour Session"), *session)};
    if (weekly)
        items.append(lineItem(L10n::claudeWeeklyAllModels().text(), QStringLiteral("Weekly Limit"), *weekly));
    for (const QString& model : {QStringLiteral("Opus"), QStringLiteral("Sonnet")})
        if (const auto line = usageLine(text, modelPattern(model), now, systemZone))
            items.append(
                lineItem(L10n::claudeWeeklyModel(model).text(), QStringLiteral("Weekly Limit"), *line));

    UsageSnapshot::Fields f;
    f.provider = AIProviderType::claudeCode;
    f.hourlyRemainingPercentage = session->remainingPercentage;
    f.hourlyResetCountdown = session->resetCountdown;
    f.weeklyRemainingPercentage = weekly ? std::optional<double>(weekly->remainingPercentage) : std::nullopt;
    f.weeklyResetCountdown = weekly ? weekly->resetCountdown : std::nullopt;
    f.modelQuotas = items;
    f.usedTokens = 0;
    f.totalTokens = 100000;
    f.lastUpdated = now;
    f.capturedAt = now;
    f.strategyUsed = FetchStrategy::cliStatusProbe;
    return UsageSnapshot(f);
}

} // namespace meterix
