#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace meterix::test {

// One project of a Claude Code configuration as the client keeps it for a
// long-time user (pretty-printed like JSON.stringify(config, null, 2)): its
// prompt history with escapes, Korean and pasted text, and its bookkeeping.
inline QByteArray claudeProject(int index) {
    QByteArray project = QStringLiteral("    \"/home/dev/src/project-%1\": {\n").arg(index, 5, 10, QLatin1Char('0')).toUtf8();
    project += "      \"allowedTools\": [],\n      \"history\": [\n";
    for (int h = 0; h < 12; ++h) {
        project += "        {\n          \"display\": \"fix the failing test in src/core \\\"Json\\\" \xed\x85\x8c\xec\x8a\xa4\xed\x8a\xb8 "
                   "\xec\x88\x98\xec\xa0\x95\\n\\tthen run ctest -j4 and check the sanitizer output for leaks\",\n"
                   "          \"pastedContents\": {\n            \"1\": {\n              \"id\": 1,\n"
                   "              \"type\": \"text\",\n              \"content\": \"";
        project += QByteArray("TEST(JsonStreamReader, Reads) { EXPECT_TRUE(ok); }\\n").repeated(3 + h % 4);
        project += "\"\n            }\n          }\n        }";
        project += h < 11 ? ",\n" : "\n";
    }
    project += "      ],\n      \"mcpContextUris\": [],\n      \"mcpServers\": {},\n"
               "      \"enabledMcpjsonServers\": [],\n      \"disabledMcpjsonServers\": [],\n"
               "      \"hasTrustDialogAccepted\": true,\n      \"projectOnboardingSeenCount\": 4,\n"
               "      \"lastCost\": 0.48213575,\n      \"lastAPIDuration\": 51234,\n      \"lastDuration\": 912345,\n"
               "      \"lastTotalInputTokens\": 18211,\n      \"lastTotalOutputTokens\": 5214,\n"
               "      \"lastSessionId\": \"3f2c1e0a-7b4d-4c1a-9e8f-2a1b3c4d5e6f\"\n    }";
    return project;
}

// Writes a configuration with at least `projectBytes` of projects first and the
// given members (pretty-printed JSON members without the braces, e.g. the
// account) after them, a chunk at a time. False when it could not be written.
inline bool writeClaudeConfiguration(const QString& path, qint64 projectBytes, const QByteArray& membersAfter) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    bool ok = file.write("{\n  \"numStartups\": 412,\n  \"installMethod\": \"native\",\n  \"projects\": {\n") > 0;
    for (int index = 0; ok && file.size() < projectBytes; ++index)
        ok = file.write((index ? ",\n" : "") + claudeProject(index)) > 0;
    ok = ok && file.write("\n  },\n  \"userID\": \"0f1e2d3c4b5a69788796a5b4c3d2e1f0\"") > 0;
    if (!membersAfter.isEmpty()) ok = ok && file.write(",\n" + membersAfter) > 0;
    ok = ok && file.write("\n}\n") > 0;
    return ok && file.flush();
}

// The account and the cached reading as the client writes them.
inline QByteArray claudeAccountMembers(const QByteArray& uuid, qint64 fetchedAtMs, int fiveHourUsed) {
    return "  \"oauthAccount\": {\n    \"accountUuid\": \"" + uuid +
           "\",\n    \"emailAddress\": \"dev@example.com\",\n    \"organizationUuid\": \"org-1\",\n"
           "    \"displayName\": \"Dev\",\n    \"organizationType\": \"claude_max\"\n  },\n"
           "  \"cachedUsageUtilization\": {\n    \"accountUuid\": \"" +
           uuid + "\",\n    \"fetchedAtMs\": " + QByteArray::number(fetchedAtMs) +
           ",\n    \"utilization\": {\n      \"five_hour\": {\"utilization\": " + QByteArray::number(fiveHourUsed) +
           ", \"resets_at\": \"2026-01-15T15:00:00.000000+00:00\"},\n"
           "      \"seven_day\": {\"utilization\": 60, \"resets_at\": \"2026-01-20T00:00:00+00:00\"}\n    }\n  }";
}

} // namespace meterix::test
