#include "providers/codex/CodexRolloutReader.h"

#include "core/DirectoryListing.h"
#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/QuotaLabel.h"
#include "core/SafeConversions.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"

#include <QHash>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>

#include <string.h>

namespace meterix {

namespace {

constexpr QByteArrayView kRateLimitsMarker("rate_limits");
constexpr QByteArrayView kLimitIdMarker("limit_id");
constexpr QByteArrayView kSessionMetaMarker("session_meta");
constexpr QLatin1StringView kAccountLimitId("codex");

// An unreadable folder lists as empty.
QStringList namesIn(const QString& folder) { return listDirectoryNames(folder).value_or(QStringList()); }

// A view's bytes as a QByteArray without copying; only for use while the view's
// storage lives.
QByteArray rawBytes(QByteArrayView view) { return QByteArray::fromRawData(view.data(), view.size()); }

std::optional<QJsonObject> parseLine(QByteArrayView line) { return json::parseObject(rawBytes(line)); }

// memmem and memrchr: Qt's own searches are several times slower on the long
// lines of a busy session.
bool holds(QByteArrayView line, QByteArrayView marker) {
    return ::memmem(line.data(), size_t(line.size()), marker.data(), size_t(marker.size())) != nullptr;
}
qsizetype lastLineBreakBefore(QByteArrayView text, qsizetype end) {
    const auto* found = static_cast<const char*>(::memrchr(text.data(), '\n', size_t(end)));
    return found ? found - text.data() : -1;
}

// The event's own "timestamp", when it parses.
std::optional<QDateTime> eventStamp(const QJsonObject& event) {
    const auto text = json::string(event, QLatin1String("timestamp"));
    if (!text) return std::nullopt;
    return parseRfc3339(*text);
}

// A text that names something: absent when missing, not a string or blank.
std::optional<QString> nameIn(const QJsonObject& o, QLatin1StringView key) {
    auto text = json::string(o, key);
    if (!text || text->trimmed().isEmpty()) return std::nullopt;
    return text;
}

using RateLimits = CodexRolloutReader::RateLimits;

// Which of two readings of one allowance the home's answer takes: the later
// placed; on a tie the one found first (in the newer file).
bool outranks(const RateLimits& candidate, const RateLimits& best, const QDateTime& now) {
    return candidate.placedAt(now) > best.placedAt(now);
}

bool escapes(QByteArrayView line) { return ::memchr(line.data(), '\\', size_t(line.size())) != nullptr; }

// An id as the parse reads it names the account: "codex", or blank once
// trimmed of any white space (Unicode's included, as nameIn trims).
bool isAccountId(QByteArrayView id) {
    if (id == QByteArrayView("codex")) return true;
    if (!id.isEmpty() && uchar(id.front()) > 0x20 && uchar(id.front()) < 0x80) return false;
    return QString::fromUtf8(id).trimmed().isEmpty();
}

// The allowance a line reports, told from its text alone where that is
// certain, so that lines of allowances already decided are passed over
// without being parsed. The client writes the object compactly with its id
// first: `"rate_limits":{"limit_id":"<id>",...`. The text is certain only when
// the line holds no backslash (every quote then delimits a string and nothing
// is escaped), names "rate_limits" once, and that object names "limit_id" first
// and once: the line then reports that id or, the object lying elsewhere than
// the parse looks, nothing at all. Otherwise the line is parsed.
std::optional<QByteArrayView> statedAllowance(QByteArrayView line) {
    static constexpr QByteArrayView rateLimitsKey(R"("rate_limits")");
    static constexpr QByteArrayView idFirst(R"(:{"limit_id":")");
    if (escapes(line)) return std::nullopt;
    const auto* found = static_cast<const char*>(
        ::memmem(line.data(), size_t(line.size()), rateLimitsKey.data(), size_t(rateLimitsKey.size())));
    if (!found) return std::nullopt;
    const QByteArrayView from = line.sliced(found - line.data() + rateLimitsKey.size());
    if (!from.startsWith(idFirst)) return std::nullopt;
    const QByteArrayView id = from.sliced(idFirst.size());
    const auto* idEnd = static_cast<const char*>(::memchr(id.data(), '"', size_t(id.size())));
    if (!idEnd) return std::nullopt;
    // Another "rate_limits" after could be the one the parse takes; another
    // "limit_id" after could repeat the key in this object. One before this
    // object lies in another and says nothing about it.
    const QByteArrayView rest = id.sliced(idEnd - id.data());
    if (holds(rest, rateLimitsKey) || holds(rest, QByteArrayView(R"("limit_id")"))) return std::nullopt;
    return id.first(idEnd - id.data());
}

} // namespace

QDateTime CodexRolloutReader::distantPast() {
    static const QDateTime past(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    return past;
}

// MARK: Candidates

QList<CodexRolloutReader::Candidate> CodexRolloutReader::rolloutsDirectlyIn(const QString& folder) {
    QList<Candidate> found;
    for (const QString& name : namesIn(folder)) {
        if (!name.startsWith(QLatin1String("rollout-")) || !name.endsWith(QLatin1String(".jsonl"))) continue;
        const QString path = joinPath(folder, name);
        QDateTime modified = distantPast();
        if (const auto info = regularFileInfo(path))
            modified = QDateTime::fromMSecsSinceEpoch(info->modifiedNs / 1000000, Qt::UTC);
        found.append(Candidate{path, modified});
    }
    return found;
}

QStringList CodexRolloutReader::descendingSubdirectories(const QString& folder) {
    QStringList names;
    for (const QString& name : namesIn(folder))
        if (!name.startsWith(QLatin1Char('.'))) names.append(name);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return codePointLess(b, a); });
    QStringList folders;
    for (const QString& name : names) {
        const QString path = joinPath(folder, name);
        if (isDirectory(path)) folders.append(path);
    }
    return folders;
}

QList<CodexRolloutReader::Candidate> CodexRolloutReader::rolloutsUnder(const QString& folder) {
    QList<Candidate> found = rolloutsDirectlyIn(folder);
    int dayFolders = 0;
    for (const QString& year : descendingSubdirectories(folder))
        for (const QString& month : descendingSubdirectories(year))
            for (const QString& day : descendingSubdirectories(month)) {
                found.append(rolloutsDirectlyIn(day));
                if (++dayFolders >= kDayFolderLimit) return found;
            }
    return found;
}

QList<CodexRolloutReader::Candidate> CodexRolloutReader::rolloutCandidates(const QString& codexHome, int limit) {
    // The client moves a session it archives out of "sessions" whole, keeping
    // its modification date: the newest reading may lie there.
    QList<Candidate> candidates = rolloutsUnder(joinPath(codexHome, QStringLiteral("sessions")));
    candidates.append(rolloutsUnder(joinPath(codexHome, QStringLiteral("archived_sessions"))));
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.modified > b.modified; });
    if (limit < 0) limit = 0;
    if (candidates.size() > limit) candidates.resize(limit);
    return candidates;
}

// MARK: Reading one rollout

std::optional<QByteArray> CodexRolloutReader::tail(const QString& path, int64_t bytes) {
    const auto info = regularFileInfo(path);
    if (!info) return std::nullopt;
    const int64_t start = std::max<int64_t>(0, info->size - bytes);
    // One byte more in front tells whether the window's first line is whole.
    auto data = readRegularFileRange(path, start > 0 ? start - 1 : 0, start > 0 ? bytes + 1 : bytes);
    if (!data) return std::nullopt;
    if (start >= 1) {
        // The window began inside the file, so its first line is partial unless
        // a line feed ends just before it. Cut it as bytes: decoding first would
        // let a split character spoil every line.
        const qsizetype firstBreak = data->indexOf('\n');
        if (firstBreak < 0) return QByteArray(); // one line longer than the window: nothing whole
        data->remove(0, firstBreak + 1);
    }
    return data;
}

CodexRolloutReader::RolloutReading CodexRolloutReader::readRollout(const QString& path, const QDateTime& now,
                                                                  const Clock& clock, bool writtenAhead) {
    RolloutReading reading;
    const auto text = tail(path, kTailBytes);
    if (!text) return reading;
    // The head is read only once a line carries rate limits; the start date does
    // not decide whether a line yields a result.
    std::optional<std::optional<QDateTime>> start;
    const auto sessionStarted = [&]() -> const std::optional<QDateTime>& {
        if (!start) start = sessionStart(path);
        return *start;
    };
    // The allowances whose newest line is taken: their earlier lines add nothing.
    QSet<QByteArray> taken;
    const auto full = [&] { return reading.allowances.size() >= kAllowanceLimit; };
    // Whether a line can be passed over unparsed: it reports nothing that is
    // still wanted, as far as its text tells for certain.
    const auto passedOver = [&](QByteArrayView line) {
        if (const auto id = statedAllowance(line)) {
            if (isAccountId(*id)) return reading.account.has_value();
            return full() || taken.contains(rawBytes(*id));
        }
        // Without any id the line is the account's (older clients) or none:
        // certain unless an escape could spell the key another way.
        return reading.account && !holds(line, kLimitIdMarker) && !escapes(line);
    };
    const QByteArrayView all(*text);
    qsizetype end = all.size();
    while (end > 0 && !(reading.account && full())) {
        const qsizetype lineBreak = lastLineBreakBefore(all, end);
        const QByteArrayView line = all.sliced(lineBreak + 1, end - lineBreak - 1);
        end = lineBreak < 0 ? 0 : lineBreak;
        if (line.isEmpty() || !holds(line, kRateLimitsMarker) || passedOver(line)) continue;
        const auto event = parseLine(line);
        if (!event) continue;
        auto limits = rateLimits(*event, now, std::nullopt, clock);
        if (!limits) continue;
        if (writtenAhead && !eventStamp(*event)) limits->aheadOfClock = true;
        if (limits->isAccountLimit()) {
            if (reading.account) continue;
            limits->sessionStartedAt = sessionStarted();
            reading.account = std::move(limits);
            continue;
        }
        if (full() || taken.contains(limits->limitId->toUtf8())) continue;
        taken.insert(limits->limitId->toUtf8());
        limits->sessionStartedAt = sessionStarted();
        reading.allowances.append(std::move(*limits));
    }
    return reading;
}

namespace {

void sortById(QList<RateLimits>& allowances) {
    std::sort(allowances.begin(), allowances.end(),
              [](const RateLimits& a, const RateLimits& b) { return codePointLess(*a.limitId, *b.limitId); });
}

// The allowances of several files, the better line of each, in one pass.
class AllowanceMerger {
public:
    void add(QList<RateLimits> found, const QDateTime& now) {
        for (RateLimits& line : found) {
            const auto known = index_.constFind(*line.limitId);
            if (known == index_.cend()) {
                index_.insert(*line.limitId, kept_.size());
                kept_.append(std::move(line));
            } else if (outranks(line, kept_[*known], now)) {
                kept_[*known] = std::move(line);
            }
        }
    }
    // The most recently reported within the bound (on a tie, the one found
    // first, in the newer file), ordered by id.
    QList<RateLimits> take(const QDateTime& now) {
        if (kept_.size() > CodexRolloutReader::kAllowanceLimit) {
            std::stable_sort(kept_.begin(), kept_.end(), [&](const RateLimits& a, const RateLimits& b) {
                return a.placedAt(now) > b.placedAt(now);
            });
            kept_.resize(CodexRolloutReader::kAllowanceLimit);
        }
        sortById(kept_);
        return std::move(kept_);
    }

private:
    QHash<QString, qsizetype> index_;
    QList<RateLimits> kept_;
};

} // namespace

std::optional<QDateTime> CodexRolloutReader::sessionStartInLine(QByteArrayView line) {
    if (line.isEmpty() || !holds(line, kSessionMetaMarker)) return std::nullopt;
    const auto object = parseLine(line);
    if (!object) return std::nullopt;
    if (json::string(*object, QLatin1String("type")) != QLatin1String("session_meta")) return std::nullopt;
    return eventStamp(*object);
}

std::optional<QDateTime> CodexRolloutReader::sessionStart(const QString& path) {
    QByteArray buffer;
    int64_t total = 0;
    do {
        const auto chunk = readRegularFileRange(path, total, kHeadChunkBytes);
        if (!chunk || chunk->isEmpty()) break;
        const qsizetype searchFrom = buffer.size(); // the carried-over part holds no line feed
        buffer.append(*chunk);
        total += chunk->size();
        qsizetype lineStart = 0;
        for (qsizetype lineBreak = buffer.indexOf('\n', searchFrom); lineBreak >= 0;
             lineBreak = buffer.indexOf('\n', lineStart)) {
            if (auto date = sessionStartInLine(QByteArrayView(buffer).sliced(lineStart, lineBreak - lineStart)))
                return date;
            lineStart = lineBreak + 1;
        }
        buffer.remove(0, lineStart);
    } while (total < kHeadBytes);
    // A last line without a line feed counts; one cut by the limit fails to parse.
    return sessionStartInLine(buffer);
}

// MARK: Events

std::optional<CodexRolloutReader::RateWindow> CodexRolloutReader::window(const QJsonObject& container,
                                                                         QLatin1StringView key,
                                                                         const Clock& clock) {
    const auto value = json::object(container, key);
    if (!value) return std::nullopt;
    const auto used = json::number(*value, QLatin1String("used_percent"));
    if (!used) return std::nullopt;
    RateWindow w;
    if (const auto at = json::number(*value, QLatin1String("resets_at"))) {
        w.resetsAt = dateFromUnixSeconds(*at);
    } else if (const auto text = json::string(*value, QLatin1String("resets_at"))) {
        w.resetsAt = parseRfc3339(*text);
    } else if (const auto inSeconds = json::number(*value, QLatin1String("resets_in_seconds"))) {
        w.resetsAt = dateFromUnixSeconds(static_cast<double>(clock.now().toMSecsSinceEpoch()) / 1000.0 + *inSeconds);
    }
    w.remaining = clampPercentage(100.0 - *used);
    // A window of no or negative length has no length to name.
    if (const auto minutes = json::number(*value, QLatin1String("window_minutes")))
        if (const auto whole = truncatedInt64(*minutes); whole && *whole > 0) w.windowMinutes = whole;
    return w;
}

std::optional<CodexRolloutReader::RateLimits> CodexRolloutReader::rateLimits(
    const QJsonObject& event, const QDateTime& now, const std::optional<QDateTime>& sessionStartedAt,
    const Clock& clock) {
    const QJsonObject container = json::object(event, QLatin1String("payload")).value_or(event);
    const auto limits = json::object(container, QLatin1String("rate_limits"));
    if (!limits) return std::nullopt;
    RateLimits result;
    result.primary = window(*limits, QLatin1String("primary"), clock);
    result.secondary = window(*limits, QLatin1String("secondary"), clock);
    const QJsonObject credits = json::object(*limits, QLatin1String("credits")).value_or(QJsonObject());
    // Current clients write the balance as a string ("17.25"), older ones as a number.
    result.creditBalance = json::numberOrDecimal(credits, QLatin1String("balance"));
    result.hasUnlimitedCredits = json::boolean(credits, QLatin1String("unlimited")).value_or(false);
    if (!result.primary && !result.secondary && !result.creditBalance && !result.hasUnlimitedCredits)
        return std::nullopt;
    result.planType = json::string(*limits, QLatin1String("plan_type"));
    const auto stamp = eventStamp(event);
    // A stamp ahead of now (a skewed clock, a corrupt line) is read as now: dated
    // in 2099 it would never go stale and would outrank every later reading.
    result.capturedAt = stamp && *stamp <= now ? *stamp : now;
    result.aheadOfClock = stamp && *stamp > now.addSecs(kAheadToleranceSeconds);
    result.sessionStartedAt = sessionStartedAt;
    result.limitId = nameIn(*limits, QLatin1String("limit_id"));
    result.limitName = nameIn(*limits, QLatin1String("limit_name"));
    return result;
}

bool CodexRolloutReader::RateLimits::isAccountLimit() const { return !limitId || *limitId == kAccountLimitId; }

QString CodexRolloutReader::RateLimits::displayName() const { return limitName.value_or(limitId.value_or(QString())); }

QDateTime CodexRolloutReader::RateLimits::placedAt(const QDateTime& now) const {
    if (!aheadOfClock) return capturedAt;
    QDateTime latest = distantPast();
    for (const auto& w : {primary, secondary})
        if (w && w->resetsAt && w->windowMinutes)
            latest = std::max(latest, dateFromUnixSeconds(static_cast<double>(w->resetsAt->toSecsSinceEpoch()) -
                                                          60.0 * static_cast<double>(*w->windowMinutes)));
    return std::min(latest, now);
}

// MARK: The newest event of a home

std::optional<CodexRolloutReader::HomeReading> CodexRolloutReader::rateLimits(const QString& codexHome,
                                                                             const QDateTime& now,
                                                                             const Clock& clock) {
    const QDateTime aheadFrom = now.addSecs(kAheadToleranceSeconds);
    std::optional<RateLimits> best;
    AllowanceMerger allowances;
    for (const Candidate& candidate : rolloutCandidates(codexHome, kCandidateLimit)) {
        // No older file can hold a newer event. A reading ahead of the clock is
        // placed only by a bound on its age, so it never ends the search: the
        // file of the session running now may come next.
        if (best && !best->aheadOfClock && best->capturedAt >= std::min(candidate.modified, now)) break;
        RolloutReading found = readRollout(candidate.url, now, clock, candidate.modified > aheadFrom);
        allowances.add(std::move(found.allowances), now);
        if (found.account && (!best || outranks(*found.account, *best, now))) best = std::move(found.account);
    }
    if (!best) return std::nullopt;
    return HomeReading{std::move(*best), allowances.take(now)};
}

// MARK: Labels

QuotaLabel CodexRolloutReader::windowLabel(int64_t minutes) {
    return QuotaLabel(QuotaKind::window).withCount(minutes);
}

} // namespace meterix
