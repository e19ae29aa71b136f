#pragma once

#include "core/Clock.h"
#include "core/UsageSnapshot.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace meterix::test {

// Writes a Claude Code configuration as the client leaves it for a long-time
// user (pretty-printed): at least `projectBytes` of projects with their prompt
// history (escapes, Korean, pasted text) first, then the given members (JSON
// members without braces), a project at a time. False when it cannot be written.
inline bool writeClaudeConfiguration(const QString& path, qint64 projectBytes,
                                     const QByteArray& membersAfter) {
    QByteArray entry =
        "        {\"display\": \"fix the \\\"Json\\\" test \xed\x85\x8c\xec\x8a\xa4\xed\x8a\xb8\\n\", "
        "\"pastedContents\": {\"1\": {\"id\": 1, \"type\": \"text\", \"content\": \"" +
        QByteArray("EXPECT_TRUE(ok);\\n").repeated(12) + "\"}}}";
    const QByteArray history = (entry + ",\n").repeated(11) + entry;
    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              file.write("{\n  \"numStartups\": 412,\n  \"projects\": {\n") > 0;
    for (int p = 0; ok && file.size() < projectBytes; ++p)
        ok = file.write(
                 QStringLiteral("%1    \"/home/dev/src/project-%2\": {\n      \"allowedTools\": [],\n"
                                "      \"history\": [\n")
                     .arg(p ? QStringLiteral(",\n") : QString())
                     .arg(p)
                     .toUtf8() +
                 history +
                 "\n      ],\n      \"lastCost\": 0.48213575,\n      \"lastDuration\": 912345\n    }") > 0;
    ok = ok && file.write("\n  }") > 0 && (membersAfter.isEmpty() || file.write(",\n" + membersAfter) > 0);
    return ok && file.write("\n}\n") > 0 && file.flush();
}

// The account and the cached reading as the client writes them.
inline QByteArray claudeAccountMembers(const QByteArray& uuid, qint64 fetchedAtMs, int fiveHourUsed) {
    return "  \"oauthAccount\": {\"accountUuid\": \"" + uuid +
           "\", \"emailAddress\": \"dev@example.com\", \"organizationType\": \"claude_max\"},\n"
           "  \"cachedUsageUtilization\": {\"accountUuid\": \"" +
           uuid + "\", \"fetchedAtMs\": " + QByteArray::number(fetchedAtMs) +
           ", \"utilization\": {\n    \"five_hour\": {\"utilization\": " + QByteArray::number(fiveHourUsed) +
           ", \"resets_at\": \"2026-01-15T15:00:00.000000+00:00\"},\n" +
           "    \"seven_day\": {\"utilization\": 60, \"resets_at\": \"2026-01-20T00:00:00+00:00\"}}}";
}

// A profile's ".credentials.json" as the client leaves it (nullptr: no file),
// and whether it says someone is signed in. Signing out removes "claudeAiOauth";
// the file stays when it keeps other sign-ins. A file that is no JSON object,
// or none at all, says nothing: the configuration's account decides.
struct ClaudeSignInRow {
    const char* credentials;
    bool signedIn;
};
inline const ClaudeSignInRow kClaudeSignInRows[] = {
    {nullptr, true},
    {R"({"claudeAiOauth":{"accessToken":"fixture-access","refreshToken":"fixture-refresh",
        "expiresAt":1768482000000,"scopes":["user:inference","user:profile"],"subscriptionType":"max"}})",
     true},
    {R"({"claudeAiOauth":{}})", true},
    {R"({"mcpOAuth":{"linear|4b1c":{"serverName":"linear","serverUrl":"https://mcp.linear.app/sse"}}})",
     false},
    {R"({"claudeAiOauth":null})", false},
    {R"({"claudeAiOauth":"a"})", false},
    {"{}", false},
    {"[]", true},
    {"not json", true},
};

// Every quota line of a Claude reading as "name remaining", followed by its
// countdown at countdownsAt and its reset moment when asked for ("-" for none).
inline QStringList claudeQuotaLines(const UsageSnapshot& s, std::optional<QDateTime> countdownsAt, bool moments) {
    QStringList out;
    for (const ModelQuotaItem& item : s.modelQuotas) {
        QString line = labelText(item.name) + QLatin1Char(' ') + QString::number(item.remainingPercentage);
        const auto countdown = countdownsAt ? secondsUntil(*countdownsAt, item.resetAt) : std::nullopt;
        if (countdownsAt) line += QLatin1Char(' ') + (countdown ? QString::number(*countdown) : QStringLiteral("-"));
        if (moments)
            line +=
                QLatin1Char(' ') + (item.resetAt ? item.resetAt->toString(Qt::ISODate) : QStringLiteral("-"));
        out.append(line);
    }
    return out;
}

} // namespace meterix::test
