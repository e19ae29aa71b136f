#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

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

} // namespace meterix::test
