// The text the client prints for its usage command, read into a snapshot.
#include "providers/claude/ClaudeCodeAdapter.h"

#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"
#include "core/TextUtil.h"
#include "core/TimeZoneNames.h"

#include <QRegularExpression>

namespace meterix {

namespace {

constexpr QRegularExpression::PatternOptions kOptions =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;

const QString kSessionPattern = QStringLiteral("Current session:\\s*(\\d+)%\\s*used([^\\n]*)");
const QString kWeeklyPattern =
    QStringLiteral("Current week\\s*\\(all models\\):\\s*(\\d+)%\\s*used([^\\n]*)");
// Any week's line on one line; group 1 is the model, 2 the percentage, 3 the rest.
const QString kAnyWeekPattern =
    QStringLiteral("Current week\\s*\\(([^()\\n]*)\\):\\s*(\\d+)%\\s*used([^\\n]*)");
// The client writes "Jan 5 at 3:00pm", "Oct 5, 10:09pm" and "Aug 21 at 12pm": after
// the day " at ", ", " (or both, or a plain blank), and the minutes only when the
// time is not on the hour.
const QString kResetPattern = QStringLiteral(
    "resets\\s+([A-Za-z]{3})\\s+(\\d{1,2})(?:\\s*,\\s*|\\s+)(?:at\\s+)?(\\d{1,2})(?::(\\d{2}))?\\s*([ap]m)"
    "(?:\\s*\\(([^)]+)\\))?");
// A reset within the day is written as the time alone: "Resets 10:39pm (America/Los_Angeles)".
const QString kTimeOnlyResetPattern =
    QStringLiteral("resets\\s+(\\d{1,2})(?::(\\d{2}))?\\s*([ap]m)(?:\\s*\\(([^)]+)\\))?");

// The usage screen of current clients lays each limit out on lines of its own:
//   Current week (Fable)
//   ███████▌                 15% used
//   (anything else, say an offer)
//   Resets Jul 26, 5:59am (America/Los_Angeles)
const QString kScreenLabelPattern = QStringLiteral("^Current\\s+(?:(session)|week\\s*\\(([^()]*)\\))\\s*:?$");
// Whole percentages only: the "5" of "37.5% used" is no figure.
const QString kScreenUsedPattern = QStringLiteral("(?<![\\d.,])(\\d+)%\\s*used");
const QString kScreenResetPattern = QStringLiteral("^resets\\b");

// "Current week (Sonnet only)" is the client's label of Sonnet's own week.
QString modelPattern(const QString& model) {
    return QStringLiteral("Current week\\s*\\(") + model +
           QStringLiteral("(?:\\s+only)?\\):\\s*(\\d+)%\\s*used([^\\n]*)");
}

// The model a week's label names: "Sonnet only" names Sonnet.
QString weekModel(const QString& label) {
    static const QRegularExpression only(QStringLiteral("\\s+only$"), kOptions);
    return label.simplified().remove(only);
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

// "pm" moves 1 to 11 o'clock past noon, "12am" is midnight.
int twentyFourHour(int hour, const QString& meridiem) {
    const QString m = meridiem.toLower();
    if (m == QLatin1String("pm") && hour != 12) return hour + 12;
    if (m == QLatin1String("am") && hour == 12) return 0;
    return hour;
}

// The zone in parentheses when the zone database knows it, else the system's.
QTimeZone zoneOf(const QRegularExpressionMatch& m, int group, const QTimeZone& systemZone) {
    if (m.capturedStart(group) >= 0)
        if (const auto named = zoneNamed(m.captured(group).trimmed())) return *named;
    return systemZone;
}

// A wall-clock time in a zone; nothing when the calendar has no such day or time
// (strict: "Feb 31" or "25:00" is no date).
std::optional<QDateTime> wallTime(const QDate& date, int hour, int minute, const QTimeZone& zone) {
    const QTime time(hour, minute);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    const QDateTime at(date, time, zone);
    if (!at.isValid()) return std::nullopt;
    return at;
}

// "Resets 10:39pm": the next time the zone's clock shows it, today or tomorrow.
std::optional<double> timeOnlyCountdown(const QRegularExpressionMatch& m, const QDateTime& now,
                                        const QTimeZone& systemZone) {
    const auto hour = smallInt(m.captured(1));
    const auto minute = m.capturedStart(2) >= 0 ? smallInt(m.captured(2)) : std::optional<int>(0);
    if (!hour || !minute || *hour < 1 || *hour > 12) return std::nullopt;
    const QTimeZone zone = zoneOf(m, 4, systemZone);
    const int h = twentyFourHour(*hour, m.captured(3));
    const QDate today = now.toTimeZone(zone).date();
    if (const auto seconds = secondsUntil(now, wallTime(today, h, *minute, zone))) return seconds;
    return secondsUntil(now, wallTime(today.addDays(1), h, *minute, zone));
}

ModelQuotaItem lineItem(const QuotaLabel& name, const QuotaLabel& quotaType,
                        const ClaudeCodeAdapter::QuotaWindow& w) {
    return ModelQuotaItem(name, w.remainingPercentage, quotaType, w.resetAt);
}

// A window read now: its reset moment is now plus its countdown.
ClaudeCodeAdapter::QuotaWindow textWindow(double used, std::optional<double> countdown,
                                          const QDateTime& now) {
    std::optional<QDateTime> at;
    if (countdown) at = addSeconds(now, *countdown);
    return {clampPercentage(100.0 - used), countdown, at};
}

// One limit of the usage screen: the session (no model) or a week's.
struct ScreenLimit {
    std::optional<QString> week; // the text in "Current week (...)"
    ClaudeCodeAdapter::QuotaWindow window;
};

// Each labelled block's figure is the first "NN% used" after its label, and its
// reset the first "Resets ..." line after that figure; the next label or another
// figure ends the block. Every other line is ignored.
QList<ScreenLimit> screenLimits(const QString& text, const QDateTime& now, const QTimeZone& systemZone) {
    static const QRegularExpression label(kScreenLabelPattern, kOptions);
    static const QRegularExpression used(kScreenUsedPattern, kOptions);
    static const QRegularExpression resets(kScreenResetPattern, kOptions);
    const QStringList lines = text.split(QLatin1Char('\n'));
    QList<ScreenLimit> limits;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch heading = label.match(lines[i].trimmed());
        if (!heading.hasMatch()) continue;
        std::optional<double> usedPercent;
        std::optional<double> countdown;
        for (qsizetype j = i + 1; j < lines.size(); ++j) {
            const QString line = lines[j].trimmed();
            if (label.match(line).hasMatch()) break;
            const QRegularExpressionMatch figure = used.match(line);
            if (!usedPercent) {
                if (!figure.hasMatch()) continue;
                // Too many digits for any real percentage: no figure for this block.
                usedPercent = parseFiniteDouble(figure.captured(1));
                if (!usedPercent) break;
                continue;
            }
            if (figure.hasMatch()) break;
            if (resets.match(line).hasMatch()) {
                countdown = ClaudeCodeAdapter::resetCountdown(line, now, systemZone);
                break;
            }
        }
        if (!usedPercent) continue;
        const std::optional<QString> week =
            heading.capturedStart(1) >= 0 ? std::nullopt : std::optional<QString>(heading.captured(2));
        limits.append({week, textWindow(*usedPercent, countdown, now)});
    }
    return limits;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<ClaudeCodeAdapter::QuotaWindow> screenWindow(const QList<ScreenLimit>& limits,
                                                           const std::optional<QString>& week) {
    for (const ScreenLimit& limit : limits)
        if (week ? (limit.week && sameName(weekModel(*limit.week), *week)) : !limit.week) return limit.window;
    return std::nullopt;
}

} // namespace

std::optional<QString> ClaudeCodeAdapter::modelWord(const QString& raw) {
    return shownWord(raw);
}

std::optional<double> ClaudeCodeAdapter::resetCountdown(const QString& phrase, const QDateTime& now,
                                                        const QTimeZone& systemZone) {
    static const QRegularExpression reset(kResetPattern, kOptions);
    static const QRegularExpression timeOnly(kTimeOnlyResetPattern, kOptions);
    const QRegularExpressionMatch m = reset.match(phrase);
    if (!m.hasMatch()) {
        const QRegularExpressionMatch t = timeOnly.match(phrase);
        if (!t.hasMatch()) return std::nullopt;
        return timeOnlyCountdown(t, now, systemZone);
    }
    const int month = monthNumber(m.captured(1));
    const auto day = smallInt(m.captured(2));
    const auto hour = smallInt(m.captured(3));
    const auto minute = m.capturedStart(4) >= 0 ? smallInt(m.captured(4)) : std::optional<int>(0);
    if (month == 0 || !day || !hour || !minute) return std::nullopt;
    const int h = twentyFourHour(*hour, m.captured(5));
    const QTimeZone zone = zoneOf(m, 6, systemZone);
    const int year = now.toTimeZone(zone).date().year();
    auto at = wallTime(QDate(year, month, *day), h, *minute, zone);
    if (!at) return std::nullopt;
    if (secondsBetween(now, *at) < -86400) {
        at = wallTime(QDate(year + 1, month, *day), h, *minute, zone);
        if (!at) return std::nullopt;
    }
    return secondsUntil(now, at);
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
    std::optional<double> countdown;
    if (m.capturedStart(2) >= 0) countdown = resetCountdown(m.captured(2), now, systemZone);
    return textWindow(*used, countdown, now);
}

std::optional<UsageSnapshot> ClaudeCodeAdapter::parseClaudeUsageOutput(const QString& text,
                                                                       const QDateTime& now,
                                                                       const QTimeZone& systemZone) {
    const QList<ScreenLimit> screen = screenLimits(text, now, systemZone);
    // The one-line form first, as older clients print it; then the screen's blocks.
    auto lineOrBlock = [&](const QString& pattern, const std::optional<QString>& week) {
        if (auto line = usageLine(text, pattern, now, systemZone)) return line;
        return screenWindow(screen, week);
    };
    const auto session = lineOrBlock(kSessionPattern, std::nullopt);
    if (!session) return std::nullopt;
    const auto weekly = lineOrBlock(kWeeklyPattern, QStringLiteral("all models"));

    QList<ModelQuotaItem> items{
        lineItem(QuotaKind::sessionFiveHours, QuotaKind::fiveHourSession, *session)};
    if (weekly) items.append(lineItem(QuotaKind::weeklyAllModels, QuotaKind::weeklyLimit, *weekly));
    auto addModel = [&](const QString& model, const QuotaWindow& window) {
        items.append(lineItem(QuotaLabel(QuotaKind::weeklyOfModel).withSubject(model), QuotaKind::weeklyLimit, window));
    };
    // Opus and Sonnet first, whatever the order of the text; then every other
    // model in the order the text names them, each once.
    QStringList named{QStringLiteral("all models"), QStringLiteral("Opus"), QStringLiteral("Sonnet")};
    for (const QString& model : {QStringLiteral("Opus"), QStringLiteral("Sonnet")})
        if (const auto window = lineOrBlock(modelPattern(model), model)) addModel(model, *window);
    int others = 0;
    auto addOther = [&](const QString& raw, const QuotaWindow& window) {
        const auto model = modelWord(weekModel(raw));
        if (!model || others >= kMaxModelLines) return;
        for (const QString& seen : named)
            if (sameName(seen, *model)) return;
        named.append(*model);
        ++others;
        addModel(*model, window);
    };
    static const QRegularExpression anyWeek(kAnyWeekPattern, kOptions);
    for (auto it = anyWeek.globalMatch(text); it.hasNext() && others < kMaxModelLines;) {
        const QRegularExpressionMatch m = it.next();
        // A figure too long for any number is no figure, as in usageLine.
        if (const auto used = parseFiniteDouble(m.captured(2)))
            addOther(m.captured(1), textWindow(*used, resetCountdown(m.captured(3), now, systemZone), now));
    }
    for (const ScreenLimit& limit : screen)
        if (limit.week) addOther(*limit.week, limit.window);

    UsageSnapshot::Fields f;
    f.provider = AIProviderType::claudeCode;
    f.headlineRemainingPercentage = session->remainingPercentage;
    f.headlineResetAt = session->resetAt;
    f.weeklyRemainingPercentage = weekly ? std::optional<double>(weekly->remainingPercentage) : std::nullopt;
    f.weeklyResetAt = weekly ? weekly->resetAt : std::nullopt;
    f.modelQuotas = items;
    f.usedTokens = 0;
    f.totalTokens = 100000;
    f.lastUpdated = now;
    f.capturedAt = now;
    f.strategyUsed = FetchStrategy::cliStatusProbe;
    return UsageSnapshot(f);
}

} // namespace meterix
