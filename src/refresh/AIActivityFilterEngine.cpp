#include "refresh/AIActivityFilterEngine.h"

#include "core/SafeFile.h"
#include "core/TextUtil.h"

#include <cstring>

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace meterix {

namespace {

// The extension as the rules see it: the text after the last dot of the last
// path component ("" when there is no dot), not yet lower-cased.
QStringView extensionOf(const QString& path) {
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(QLatin1Char('/')))
        view.chop(1);
    const qsizetype slash = view.lastIndexOf(QLatin1Char('/'));
    const QStringView name = view.sliced(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return {};
    return name.sliced(dot + 1);
}

// The fragments of one list, all looked for in one pass over the text rather
// than one search each (the lists are matched against every event path).
class FragmentSearch {
  public:
    FragmentSearch() = default;
    explicit FragmentSearch(const QStringList& fragments) : fragments_(fragments) {
        for (qsizetype i = 0; i < fragments_.size(); ++i) {
            const QString& f = fragments_[i];
            if (f.isEmpty()) {
                // Every text contains the empty fragment: nothing after it can come first.
                if (empty_ < 0) empty_ = i;
            } else if (f.front().unicode() < byFirst_.size()) {
                byFirst_[f.front().unicode()].push_back(i);
            } else {
                others_.push_back(i);
            }
        }
    }

    // The first fragment in list order that text contains, or nullptr.
    const QString* firstIn(QStringView text) const {
        qsizetype best = empty_ >= 0 ? empty_ : fragments_.size();
        for (const qsizetype i : others_) {
            if (i >= best) break;
            if (text.contains(fragments_[i])) best = i;
        }
        const char16_t* p = text.utf16();
        const qsizetype n = text.size();
        for (qsizetype pos = 0; pos < n && best > 0; ++pos) {
            const char16_t c = p[pos];
            if (c >= byFirst_.size()) continue;
            for (const qsizetype i : byFirst_[c]) {
                if (i >= best) break;
                const QString& f = fragments_[i];
                if (f.size() <= n - pos && std::memcmp(p + pos, f.utf16(), size_t(f.size()) * 2) == 0) {
                    best = i;
                    break;
                }
            }
        }
        return best < fragments_.size() ? &fragments_[best] : nullptr;
    }

  private:
    QStringList fragments_;
    qsizetype empty_ = -1;
    // Indices, ascending, by the fragment's first (ASCII) character.
    std::array<std::vector<qsizetype>, 128> byFirst_;
    std::vector<qsizetype> others_;
};

// Transcripts are mostly ASCII: eight bytes at a time until the first byte
// that is not, and the full check only from there.
bool isValidUtf8(QByteArrayView bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if (word & 0x8080808080808080ULL) break;
        p += 8;
    }
    return QByteArrayView(p, end - p).isValidUtf8();
}

// A double the way the burst texts print it: shortest round-trip digits, and a
// whole number keeps its ".0" ("2.0", "2.5").
QString decimalText(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return QString::number(value);
    QString text = QString::fromLatin1(buffer, end - buffer);
    const bool plainInteger =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit() || c == QLatin1Char('-'); });
    if (plainInteger) text += QLatin1String(".0");
    return text;
}

} // namespace

struct AIActivityFilterEngine::CompiledRule {
    ProviderFilterRule rule;
    FragmentSearch pathBlacklist;
    FragmentSearch pathWhitelist;
};

struct AIActivityFilterEngine::Compiled {
    uint64_t version = 0;
    QList<QString> extensions;
    qsizetype longestExtension = 0;
    FragmentSearch globalSubpaths;
    QHash<AIProviderType, CompiledRule> rules;

    // The matching entry of the lower-cased extension list, or nullptr. An
    // ASCII extension is lower-cased in place; anything else the full way.
    const QString* blacklistedExtension(QStringView extension, QString& lowered) const {
        if (extension.isEmpty()) return nullptr;
        const bool ascii =
            std::all_of(extension.begin(), extension.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (!ascii) {
            lowered = extension.toString().toLower();
            for (const QString& e : extensions)
                if (e == lowered) return &lowered;
            return nullptr;
        }
        if (extension.size() > longestExtension) return nullptr;
        char16_t buffer[64];
        for (qsizetype i = 0; i < extension.size(); ++i) {
            const char16_t c = extension[i].unicode();
            buffer[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
        }
        const QStringView lower(buffer, extension.size());
        for (const QString& e : extensions)
            if (e == lower) return &e;
        return nullptr;
    }
};

AIActivityFilterEngine::AIActivityFilterEngine(const AIActivityRuleRegistry& registry, const Clock& clock)
    : registry_(registry), clock_(clock) {}

AIActivityFilterEngine::~AIActivityFilterEngine() = default;

const AIActivityFilterEngine::Compiled& AIActivityFilterEngine::compiled() const {
    const uint64_t version = registry_.version();
    if (compiled_ && compiled_->version == version) return *compiled_;
    // Fetched after reading the version: a change in between only makes the
    // next event fetch once more.
    auto fresh = std::make_unique<Compiled>();
    fresh->version = version;
    for (const QString& e : registry_.globalBlacklistedExtensions()) {
        fresh->extensions.append(e);
        fresh->longestExtension = std::max(fresh->longestExtension, e.size());
    }
    fresh->longestExtension = std::min<qsizetype>(fresh->longestExtension, 64);
    fresh->globalSubpaths = FragmentSearch(registry_.globalBlacklistedSubpaths());
    for (const ProviderFilterRule& r : registry_.allRules())
        fresh->rules.insert(r.provider,
                            {r, FragmentSearch(r.pathBlacklist), FragmentSearch(r.pathWhitelist)});
    compiled_ = std::move(fresh);
    return *compiled_;
}

QString AIActivityFilterEngine::Verdict::reasonText() const {
    switch (why) {
    case Why::globalExtension:
        return QLatin1String("Global blacklisted extension: .") + detail;
    case Why::globalSubpath:
        return QLatin1String("Global blacklisted subpath: ") + detail;
    case Why::noRule:
        return QLatin1String("No rule registered for provider ") + rawValue(provider);
    case Why::providerBlacklist:
        return QLatin1String("Provider path blacklist: ") + detail;
    case Why::notWhitelisted:
        return QStringLiteral("Path does not match whitelist");
    case Why::contentBlacklist:
        return QLatin1String("Content blacklist keyword matched: ") + detail;
    case Why::contentWhitelist:
        return QLatin1String("Content whitelist keyword matched: ") + detail;
    case Why::defaultCandidate:
        return QStringLiteral("Default candidate log file");
    case Why::pathCandidate:
        return QStringLiteral("Path matches whitelist; requires burst qualification");
    case Why::custom:
        return detail;
    }
    return detail;
}

ActivityEvaluationResult AIActivityFilterEngine::Verdict::result() const {
    switch (kind) {
    case ActivityEvaluationResult::Kind::ignored:
        return ActivityEvaluationResult::ignored(reasonText());
    case ActivityEvaluationResult::Kind::immediateStreaming:
        return ActivityEvaluationResult::immediateStreaming(reasonText());
    case ActivityEvaluationResult::Kind::candidateBurst:
        break;
    }
    return ActivityEvaluationResult::candidateBurst(reasonText());
}

QString AIActivityFilterEngine::BurstDecision::reason() const {
    switch (burst_) {
    case Burst::accumulating:
        return QStringLiteral("Candidate burst accumulating (%1/%2)").arg(count_).arg(threshold_);
    case Burst::qualified:
        return QStringLiteral("Burst qualified (%1 events in %2s)").arg(count_).arg(decimalText(window_));
    case Burst::none:
        break;
    }
    if (verdict_.kind == ActivityEvaluationResult::Kind::immediateStreaming)
        return QLatin1String("Immediate Streaming: ") + verdict_.reasonText();
    return QLatin1String("Ignored: ") + verdict_.reasonText();
}

const std::optional<QByteArray>& AIActivityFilterEngine::Tail::bytes() {
    if (!read_) {
        bytes_ = readTail(path_, kTailBytes);
        read_ = true;
    }
    return bytes_;
}

const std::optional<QString>& AIActivityFilterEngine::Tail::text() {
    if (!decoded_) {
        if (const auto& b = bytes()) text_ = strictUtf8(*b);
        decoded_ = true;
    }
    return text_;
}

const QString* AIActivityFilterEngine::firstContainedIn(const QStringList& fragments,
                                                        QByteArrayView utf8) const {
    for (const QString& f : fragments) {
        auto it = utf8_.constFind(f);
        if (it == utf8_.constEnd()) it = utf8_.insert(f, f.toUtf8());
        const QByteArray& needle = *it;
        if (needle.isEmpty() ||
            ::memmem(utf8.data(), size_t(utf8.size()), needle.constData(), size_t(needle.size())))
            return &f;
    }
    return nullptr;
}

ActivityEvaluationResult AIActivityFilterEngine::BurstDecision::result() const {
    return verdict_.result();
}

AIActivityFilterEngine::Verdict AIActivityFilterEngine::evaluate(const QString& eventPath,
                                                                 AIProviderType provider,
                                                                 const CompiledRule* compiledRule,
                                                                 Tail& tailOnce) const {
    using Kind = ActivityEvaluationResult::Kind;
    using Why = Verdict::Why;
    const Compiled& c = compiled();
    QString lowered;
    if (const QString* extension = c.blacklistedExtension(extensionOf(eventPath), lowered))
        return {Kind::ignored, Why::globalExtension, provider, *extension};

    if (const QString* entry = c.globalSubpaths.firstIn(eventPath))
        return {Kind::ignored, Why::globalSubpath, provider, *entry};

    if (!compiledRule) {
        if (eventPath.endsWith(QLatin1String(".jsonl")) || eventPath.endsWith(QLatin1String(".log")))
            return {Kind::candidateBurst, Why::defaultCandidate, provider, {}};
        return {Kind::ignored, Why::noRule, provider, {}};
    }
    const ProviderFilterRule& rule = compiledRule->rule;

    if (const QString* entry = compiledRule->pathBlacklist.firstIn(eventPath))
        return {Kind::ignored, Why::providerBlacklist, provider, *entry};
    if (!rule.pathWhitelist.isEmpty() && !compiledRule->pathWhitelist.firstIn(eventPath))
        return {Kind::ignored, Why::notWhitelisted, provider, {}};

    if (rule.customEvaluator) {
        if (std::optional<ActivityEvaluationResult> decided =
                rule.customEvaluator(eventPath, tailOnce.text()))
            return {decided->kind(), Why::custom, provider, decided->reason()};
    }

    // Without keywords the tail cannot change the answer: the file is not read.
    const bool keywords =
        !rule.contentBlacklistKeywords.isEmpty() || !rule.contentWhitelistKeywords.isEmpty();
    if (keywords) {
        if (const std::optional<QByteArray>& tail = tailOnce.bytes()) {
            if (const QString* keyword = firstContainedIn(rule.contentBlacklistKeywords, *tail))
                return {Kind::ignored, Why::contentBlacklist, provider, *keyword};
            if (const QString* keyword = firstContainedIn(rule.contentWhitelistKeywords, *tail))
                return {Kind::immediateStreaming, Why::contentWhitelist, provider, *keyword};
        }
    }
    return {Kind::candidateBurst, Why::pathCandidate, provider, {}};
}

AIActivityFilterEngine::BurstDecision AIActivityFilterEngine::shouldDispatchBurst(AIProviderType provider,
                                                                                  const QString& eventPath) {
    Tail tail(eventPath);
    return shouldDispatchBurst(provider, eventPath, tail);
}

AIActivityFilterEngine::BurstDecision
AIActivityFilterEngine::shouldDispatchBurst(AIProviderType provider, const QString& eventPath, Tail& tail) {
    const Compiled& c = compiled();
    const auto found = c.rules.constFind(provider);
    const CompiledRule* rule = found == c.rules.constEnd() ? nullptr : &*found;
    BurstDecision decision;
    decision.verdict_ = evaluate(eventPath, provider, rule, tail);
    switch (decision.verdict_.kind) {
    case ActivityEvaluationResult::Kind::ignored:
        return decision;
    case ActivityEvaluationResult::Kind::immediateStreaming:
        decision.dispatch = true;
        return decision;
    case ActivityEvaluationResult::Kind::candidateBurst:
        break;
    }

    double window = kDefaultBurstWindow;
    int threshold = kDefaultBurstThreshold;
    if (rule) {
        window = rule->rule.burstWindow;
        threshold = rule->rule.burstThreshold;
    }

    const auto now = clock_.monotonicNow();
    const std::chrono::duration<double> windowLength(window);
    QList<std::chrono::steady_clock::time_point>& times = recentEventTimestamps_[provider];
    times.removeIf([&](const auto& t) { return !(now - t <= windowLength); });
    times.append(now);

    decision.count_ = times.size();
    decision.threshold_ = threshold;
    decision.window_ = window;
    if (decision.count_ < threshold) {
        decision.burst_ = BurstDecision::Burst::accumulating;
        return decision;
    }
    times.clear();
    decision.burst_ = BurstDecision::Burst::qualified;
    decision.dispatch = true;
    return decision;
}

std::optional<QByteArray> AIActivityFilterEngine::readTail(const QString& path, int64_t maxBytes) {
    // Through the safe reader: a FIFO or device that happens to sit in a watched
    // folder must never block the watcher's queue.
    std::optional<RegularFileTail> read = readRegularFileTail(path, maxBytes);
    if (!read || read->bytes.isEmpty()) return std::nullopt;
    const int64_t start = read->offset;
    QByteArrayView window(read->bytes);
    if (start > 0) {
        // A window that begins inside a multi-byte character drops that
        // character's continuation bytes (at most three) before decoding, or
        // the whole tail would fail and its keywords go unseen.
        window = withoutCutFirstCharacter(window);
    }
    // The same at the end, where a writer is caught halfway through a
    // character.
    window = withoutCutLastCharacter(window);
    if (!isValidUtf8(window)) return std::nullopt;
    return window.toByteArray();
}

} // namespace meterix
