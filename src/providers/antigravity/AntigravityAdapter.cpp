#include "providers/antigravity/AntigravityAdapter.h"

#include "core/IsoDate.h"
#include "core/MeterixLog.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/QuotaLabel.h"
#include "core/SafeFile.h"
#include "providers/common/ProbeFolder.h"

#include <QRegularExpression>

#include <algorithm>

namespace meterix {

namespace {

struct SlotReading {
    std::optional<double> remaining;
    std::optional<double> reset;
};

struct NamedReading {
    QuotaLabel name;
    SlotReading reading;
};

QuotaLabel fiveHourOf(const QString& family) { return QuotaLabel(QuotaKind::fiveHourOf).withSubject(family); }
QuotaLabel weeklyOf(const QString& family) { return QuotaLabel(QuotaKind::weeklyOf).withSubject(family); }

struct RowFields {
    QString name;
    QString slot;
    QString percentText;
    QString resetText;
};

// Rows the client aligns with blanks instead of TABs.
const QRegularExpression& alignedRowPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(Gemini Models|Claude and GPT models|Gemini .+?)\s+(Weekly Limit Remaining|Five Hour )"
                       R"(Limit Remaining|Gemini .+? Weekly Limit)\s+(\d+(?:\.\d+)?)%\s*(.*)$)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

RowFields rowFields(const QString& line) {
    const QStringList pieces = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    if (pieces.size() >= 3)
        return {pieces.at(0).trimmed(), pieces.at(1).trimmed(), pieces.at(2).trimmed(),
                pieces.size() > 3 ? pieces.at(3).trimmed() : QString()};
    const QRegularExpressionMatch match = alignedRowPattern().match(line);
    if (!match.hasMatch()) return {};
    return {match.captured(1), match.captured(2), match.captured(3) + QLatin1Char('%'), match.captured(4).trimmed()};
}

// A bare "nan", "inf" or 1e400 in the percent column is no figure.
std::optional<double> remainingFrom(const QString& percentText) {
    QString text = percentText;
    text.remove(QLatin1Char('%'));
    return parseFiniteDouble(text.trimmed());
}

std::optional<double> countdownFrom(const QString& resetText, const QDateTime& now) {
    if (resetText.isEmpty()) return std::nullopt;
    const std::optional<QDateTime> resetAt = parseRfc3339(resetText);
    if (!resetAt) return std::nullopt;
    return std::max(0.0, secondsBetween(now, *resetAt));
}

bool namesSessionWindow(const QString& slot) {
    return slot.contains(QLatin1String("five")) || slot.contains(QLatin1String("5 hour")) ||
           slot.contains(QLatin1String("session"));
}

const NamedReading* firstWithFigure(const QList<NamedReading>& entries) {
    for (const NamedReading& entry : entries)
        if (entry.reading.remaining) return &entry;
    return nullptr;
}

} // namespace

AntigravityAdapter::AntigravityAdapter(HostEnvironment host, ProbeGate& gate, CLIProcessRunner& runner,
                                       const Clock& clock)
    : host_(std::move(host)), gate_(gate), runner_(runner), clock_(clock) {}

bool AntigravityAdapter::isInstalled() const {
    // Installed where the probe would find a client to run.
    return exists(joinPath(host_.home, QStringLiteral(".gemini/antigravity-cli"))) ||
           runner_.executablePath(QStringLiteral("agy")).has_value();
}

bool AntigravityAdapter::checkAvailability() {
    const bool found = isInstalled();
    detected_.set(found);
    return found;
}

UsageSnapshot AntigravityAdapter::fetchUsage(bool forceSync) {
    if (!forceSync) {
        const std::optional<UsageSnapshot> cached = cachedSnapshot_.get();
        if (cached && !cached->fetchError && secondsBetween(cached->capturedAt, clock_.now()) <= kFreshForSeconds)
            return *cached;
    }

    std::optional<QString> output;
    if (ProbeGate::Ticket ticket = gate_.admit(QString::fromLatin1(kProbeKey), kProbeFloorSeconds)) {
        // Never in the folder the app was started from: the client reads project
        // settings from its working folder upward, and those may name commands.
        if (const auto folder = ownerOnlyProbeFolder(host_.dataHome, QString::fromLatin1(kProbeFolderName))) {
            qCDebug(logProvider) << "Running live CLI probe: agy -p /usage";
            output = runner_.run(QStringLiteral("agy"), {QStringLiteral("-p"), QStringLiteral("/usage")},
                                 kProbeTimeoutSeconds, {}, folder);
        }
    }

    if (output && !output->isEmpty()) {
        if (std::optional<UsageSnapshot> parsed = parseAgyUsageOutput(*output, clock_.now())) {
            cachedSnapshot_.set(parsed);
            qCDebug(logProvider).noquote()
                << QString::asprintf("Parsed agy snapshot: 5h=%f%%", parsed->headlineRemainingPercentage);
            return *parsed;
        }
        qCDebug(logProvider) << "agy output parsing returned nil";
    }

    if (std::optional<UsageSnapshot> cached = cachedSnapshot_.get()) return *cached;
    // An installed client that gave no figure this time (busy probe slot,
    // not signed in, no table) is not a missing one.
    return UsageSnapshot::unavailable(AIProviderType::antigravity,
                                      isInstalled() ? UsageUnavailableReason::notMeasured
                                                    : UsageUnavailableReason::notConfigured,
                                      std::nullopt, std::nullopt, std::nullopt, std::nullopt, clock_.now());
}

std::optional<UsageSnapshot> AntigravityAdapter::parseAgyUsageOutput(const QString& output, const QDateTime& now) {
    SlotReading gemini5h, geminiWeekly, claudeGpt5h, claudeGptWeekly;
    QList<NamedReading> geminiModels;

    for (const QString& rawLine : output.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty()) continue;
        const RowFields row = rowFields(line);
        const SlotReading reading{remainingFrom(row.percentText), countdownFrom(row.resetText, now)};
        const QString name = row.name.toLower();
        const QString slot = row.slot.toLower();

        if (name == QLatin1String("gemini models")) {
            if (namesSessionWindow(slot)) gemini5h = reading;
            else if (slot.contains(QLatin1String("week"))) geminiWeekly = reading;
        } else if (name.startsWith(QLatin1String("gemini ")) && slot.contains(QLatin1String("week")) &&
                   reading.remaining) {
            geminiModels.append({weeklyOf(row.name), reading});
        } else if (name.contains(QLatin1String("claude")) || name.contains(QLatin1String("gpt"))) {
            if (namesSessionWindow(slot)) claudeGpt5h = reading;
            else if (slot.contains(QLatin1String("week"))) claudeGptWeekly = reading;
        }
    }

    const QString gemini = QStringLiteral("Gemini"), claudeGpt = QStringLiteral("Claude/GPT");
    const QList<NamedReading> hourly{{fiveHourOf(gemini), gemini5h}, {fiveHourOf(claudeGpt), claudeGpt5h}};
    const QList<NamedReading> weekly =
        QList<NamedReading>{{weeklyOf(gemini), geminiWeekly}, {weeklyOf(claudeGpt), claudeGptWeekly}} +
        geminiModels;

    // The probe's countdowns run from this reading: its resets are their moments from now.
    const auto resetOf = [&now](const NamedReading& entry) { return momentAfter(now, entry.reading.reset); };
    QList<ModelQuotaItem> items;
    const auto add = [&items, &resetOf](const QList<NamedReading>& entries, QuotaKind kind) {
        for (const NamedReading& entry : entries)
            if (entry.reading.remaining)
                items.append(ModelQuotaItem(entry.name, *entry.reading.remaining, kind, resetOf(entry)));
    };
    add(hourly, QuotaKind::fiveHourSession);
    add(weekly, QuotaKind::weeklyLimit);

    const NamedReading* primary = firstWithFigure(hourly);
    if (!primary) primary = firstWithFigure(weekly);
    if (!primary) return std::nullopt;
    const NamedReading* weeklyFigure = firstWithFigure(weekly);
    if (weeklyFigure && weeklyFigure->name == primary->name) weeklyFigure = nullptr;

    return UsageSnapshot(UsageSnapshot::Fields{
        .provider = AIProviderType::antigravity,
        .headlineRemainingPercentage = *primary->reading.remaining,
        .weeklyRemainingPercentage = weeklyFigure ? weeklyFigure->reading.remaining : std::nullopt,
        .modelQuotas = items,
        .usedTokens = 0,
        .totalTokens = 100000,
        .lastUpdated = now,
        .strategyUsed = FetchStrategy::cliStatusProbe,
        .capturedAt = now,
        .headlineQuotaName = primary->name,
        .headlineResetAt = resetOf(*primary),
        .weeklyResetAt = weeklyFigure ? resetOf(*weeklyFigure) : std::nullopt,
    });
}

} // namespace meterix
