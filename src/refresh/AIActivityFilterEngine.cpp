#include "refresh/AIActivityFilterEngine.h"

#include "core/SafeFile.h"

#include <cstring>

#include <algorithm>
#include <charconv>

namespace meterix {

namespace {

// The extension as the rules see it: the text after the last dot of the last
// path component, lower-cased ("" when there is no dot).
QString lowerExtension(const QString& path) {
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(QLatin1Char('/')))
        view.chop(1);
    const qsizetype slash = view.lastIndexOf(QLatin1Char('/'));
    const QStringView name = view.sliced(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return {};
    return name.sliced(dot + 1).toString().toLower();
}

const QString* firstContained(const QStringList& fragments, const QString& text) {
    for (const QString& f : fragments)
        if (text.contains(f)) return &f;
    return nullptr;
}

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

AIActivityFilterEngine::AIActivityFilterEngine(const AIActivityRuleRegistry& registry, const Clock& clock)
    : registry_(registry), clock_(clock) {}

const std::optional<QByteArray>& AIActivityFilterEngine::Tail::bytes() {
    if (!read_) {
        bytes_ = readTail(path_, kTailBytes);
        read_ = true;
    }
    return bytes_;
}

const std::optional<QString>& AIActivityFilterEngine::Tail::text() {
    if (!decoded_) {
        if (const auto& b = bytes()) text_ = QString::fromUtf8(*b);
        decoded_ = true;
    }
    return text_;
}

const QString* AIActivityFilterEngine::firstContainedIn(const QStringList& fragments, QByteArrayView utf8) const {
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

ActivityEvaluationResult AIActivityFilterEngine::evaluateEvent(const QString& eventPath,
                                                               AIProviderType provider) const {
    Tail tail(eventPath);
    return evaluate(eventPath, provider, registry_.rule(provider), tail);
}

ActivityEvaluationResult AIActivityFilterEngine::evaluate(const QString& eventPath, AIProviderType provider,
                                                          const std::optional<ProviderFilterRule>& rule,
                                                          Tail& tailOnce) const {
    const QString extension = lowerExtension(eventPath);
    if (!extension.isEmpty() && registry_.globalBlacklistedExtensions().contains(extension))
        return ActivityEvaluationResult::ignored(QLatin1String("Global blacklisted extension: .") +
                                                 extension);

    if (const QString* entry = firstContained(registry_.globalBlacklistedSubpaths(), eventPath))
        return ActivityEvaluationResult::ignored(QLatin1String("Global blacklisted subpath: ") + *entry);

    if (!rule) {
        if (eventPath.endsWith(QLatin1String(".jsonl")) || eventPath.endsWith(QLatin1String(".log")))
            return ActivityEvaluationResult::candidateBurst(QStringLiteral("Default candidate log file"));
        return ActivityEvaluationResult::ignored(QLatin1String("No rule registered for provider ") +
                                                 rawValue(provider));
    }

    if (const QString* entry = firstContained(rule->pathBlacklist, eventPath))
        return ActivityEvaluationResult::ignored(QLatin1String("Provider path blacklist: ") + *entry);
    if (!rule->pathWhitelist.isEmpty() && !firstContained(rule->pathWhitelist, eventPath))
        return ActivityEvaluationResult::ignored(QStringLiteral("Path does not match whitelist"));

    if (rule->customEvaluator) {
        if (std::optional<ActivityEvaluationResult> decided = rule->customEvaluator(eventPath, tailOnce.text()))
            return *decided;
    }

    if (const std::optional<QByteArray>& tail = tailOnce.bytes()) {
        if (const QString* keyword = firstContainedIn(rule->contentBlacklistKeywords, *tail))
            return ActivityEvaluationResult::ignored(QLatin1String("Content blacklist keyword matched: ") +
                                                     *keyword);
        if (const QString* keyword = firstContainedIn(rule->contentWhitelistKeywords, *tail))
            return ActivityEvaluationResult::immediateStreaming(
                QLatin1String("Content whitelist keyword matched: ") + *keyword);
    }
    return ActivityEvaluationResult::candidateBurst(
        QStringLiteral("Path matches whitelist; requires burst qualification"));
}

AIActivityFilterEngine::BurstDecision AIActivityFilterEngine::shouldDispatchBurst(AIProviderType provider,
                                                                                  const QString& eventPath) {
    Tail tail(eventPath);
    return shouldDispatchBurst(provider, eventPath, tail);
}

AIActivityFilterEngine::BurstDecision AIActivityFilterEngine::shouldDispatchBurst(AIProviderType provider,
                                                                                  const QString& eventPath,
                                                                                  Tail& tail) {
    const std::optional<ProviderFilterRule> rule = registry_.rule(provider);
    const ActivityEvaluationResult result = evaluate(eventPath, provider, rule, tail);
    switch (result.kind()) {
    case ActivityEvaluationResult::Kind::ignored:
        return {false, QLatin1String("Ignored: ") + result.reason()};
    case ActivityEvaluationResult::Kind::immediateStreaming:
        return {true, QLatin1String("Immediate Streaming: ") + result.reason()};
    case ActivityEvaluationResult::Kind::candidateBurst:
        break;
    }

    double window = kDefaultBurstWindow;
    int threshold = kDefaultBurstThreshold;
    if (rule) {
        window = rule->burstWindow;
        threshold = rule->burstThreshold;
    }

    const auto now = clock_.monotonicNow();
    const std::chrono::duration<double> windowLength(window);
    QList<std::chrono::steady_clock::time_point>& times = recentEventTimestamps_[provider];
    times.removeIf([&](const auto& t) { return !(now - t <= windowLength); });
    times.append(now);

    const qsizetype count = times.size();
    if (count < threshold)
        return {false, QStringLiteral("Candidate burst accumulating (%1/%2)").arg(count).arg(threshold)};
    times.clear();
    return {true, QStringLiteral("Burst qualified (%1 events in %2s)").arg(count).arg(decimalText(window))};
}

std::optional<QByteArray> AIActivityFilterEngine::readTail(const QString& path, int64_t maxBytes) {
    // Through the safe reader: a FIFO or device that happens to sit in a watched
    // folder must never block the watcher's queue.
    const std::optional<RegularFileTail> read = readRegularFileTail(path, maxBytes);
    if (!read || read->bytes.isEmpty()) return std::nullopt;
    const int64_t start = read->offset;
    QByteArrayView window(read->bytes);
    if (start > 0) {
        // A window that begins inside a multi-byte character drops that
        // character's continuation bytes (at most three) before decoding, or
        // the whole tail would fail and its keywords go unseen.
        qsizetype cut = 0;
        while (cut < 3 && cut < window.size() && (static_cast<unsigned char>(window[cut]) & 0xc0) == 0x80)
            ++cut;
        window = window.sliced(cut);
    }
    if (!isValidUtf8(window)) return std::nullopt;
    return window.toByteArray();
}

} // namespace meterix
