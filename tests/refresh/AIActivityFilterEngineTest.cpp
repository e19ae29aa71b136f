#include "refresh/AIActivityFilterEngine.h"
#include "providers/claude/ClaudeProbeFolder.h"
#include "support/HostUnderHome.h"
#include "support/CodexFixtures.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <future>
#include <unistd.h>

namespace meterix {
namespace {

using Kind = ActivityEvaluationResult::Kind;

class AIActivityFilterEngineTest : public ::testing::Test {
  protected:
    test::TempHome home;
    AIActivityRuleRegistry registry{test::hostUnderHome(home.path())};
    test::FakeClock clock;
    AIActivityFilterEngine engine{registry, clock};

    QString claudeTranscript(const QByteArray& contents) {
        return home.write(QStringLiteral(".claude/projects/-work-app/session.jsonl"), contents);
    }
};

TEST_F(AIActivityFilterEngineTest, ExtensionIsLowerCasedAndTakenFromTheLastComponent) {
    EXPECT_EQ(engine
                  .shouldDispatchBurst(AIProviderType::claudeCode,
                                       home.file(QStringLiteral(".claude/projects/A.LOCK")))
                  .result(),
              ActivityEvaluationResult::ignored(QStringLiteral("Global blacklisted extension: .lock")));
    // A dot in a folder name is no extension of the file below it.
    const QString path = home.file(QStringLiteral(".claude/projects/v1.lock/notes"));
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).result().kind(),
              Kind::candidateBurst);
    EXPECT_EQ(engine
                  .shouldDispatchBurst(AIProviderType::claudeCode,
                                       home.file(QStringLiteral(".claude/projects/.DS_Store")))
                  .result(),
              ActivityEvaluationResult::ignored(QStringLiteral("Global blacklisted extension: .ds_store")));
    EXPECT_EQ(
        engine
            .shouldDispatchBurst(AIProviderType::claudeCode, home.file(QStringLiteral(".claude/projects/x.")))
            .result()
            .kind(),
        Kind::candidateBurst);
}

TEST_F(AIActivityFilterEngineTest, GlobalFragmentsDecideBeforeAnyRule) {
    const QString settings =
        home.write(QStringLiteral(".claude/projects/settings.json"), "\"role\":\"assistant\"");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, settings).result(),
              ActivityEvaluationResult::ignored(QStringLiteral("Global blacklisted subpath: settings.json")));
    // Even a provider without a rule gets the global reason, not the missing-rule one.
    EXPECT_EQ(
        engine.shouldDispatchBurst(AIProviderType::deepseek, QStringLiteral("/x/.git/logs/a.log")).result(),
        ActivityEvaluationResult::ignored(QStringLiteral("Global blacklisted subpath: .git/")));
}

TEST_F(AIActivityFilterEngineTest, FirstFragmentInListOrderNamesTheReason) {
    // Each path holds two fragments of one list, the later one in the list
    // first in the path: the list's order decides which is named.
    struct Row {
        AIProviderType provider;
        const char* path;
        const char* reason;
    };
    const Row rows[] = {
        {AIProviderType::deepseek, "/x/.git/Cookies/a", "Global blacklisted subpath: Cookies"},
        {AIProviderType::deepseek, "/x/Preferences/.git/Crashpad", "Global blacklisted subpath: Crashpad"},
        {AIProviderType::claudeCode, "/h/.claude/projects/Meterix-ClaudeProbe/cost_1/t.jsonl",
         "Provider path blacklist: cost_"},
        {AIProviderType::openAICodex, "/h/.codex/credentials/cache1/sessions/a.jsonl",
         "Provider path blacklist: cache"},
        // Non-ASCII around the fragments changes nothing.
        {AIProviderType::deepseek, "/\u00e9t\u00e9/\U0001F600Code Cache/GPUCache",
         "Global blacklisted subpath: Code Cache"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(engine.shouldDispatchBurst(row.provider, QString::fromUtf8(row.path)).result(),
                  ActivityEvaluationResult::ignored(QString::fromUtf8(row.reason)))
            << row.path;
}

TEST_F(AIActivityFilterEngineTest, NonAsciiExtensionIsLowerCasedTheUnicodeWay) {
    // KELVIN SIGN lower-cases to a plain "k".
    EXPECT_EQ(engine
                  .shouldDispatchBurst(AIProviderType::claudeCode,
                                       QStringLiteral("/h/.claude/projects/a.LOC\u212A"))
                  .result(),
              ActivityEvaluationResult::ignored(QStringLiteral("Global blacklisted extension: .lock")));
    // Not an extension of the list: the path rules decide.
    EXPECT_EQ(
        engine.shouldDispatchBurst(AIProviderType::claudeCode, QStringLiteral("/h/.claude/x/a.l\u00f6ck"))
            .result(),
        ActivityEvaluationResult::ignored(QStringLiteral("Path does not match whitelist")));
}

TEST_F(AIActivityFilterEngineTest, RuleChangedAfterFirstUseIsApplied) {
    const QString path = home.write(QStringLiteral(".codex/sessions/a.jsonl"), "delta");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::openAICodex, path).result().kind(),
              ActivityEvaluationResult::Kind::immediateStreaming);
    registry.updateRule(AIProviderType::openAICodex, [](ProviderFilterRule& r) {
        r.pathBlacklist.append(QStringLiteral("sessions/a"));
        r.contentWhitelistKeywords.clear();
    });
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::openAICodex, path).result(),
              ActivityEvaluationResult::ignored(QStringLiteral("Provider path blacklist: sessions/a")));
    registry.updateRule(AIProviderType::openAICodex, [](ProviderFilterRule& r) {
        r.pathBlacklist.clear();
        r.customEvaluator = [](const QString&, const std::optional<QString>& tail) {
            return std::optional(ActivityEvaluationResult::immediateStreaming(tail.value_or(QString())));
        };
    });
    const auto d = engine.shouldDispatchBurst(AIProviderType::openAICodex, path);
    EXPECT_TRUE(d.dispatch);
    EXPECT_EQ(d.reason(), QStringLiteral("Immediate Streaming: delta"));
}

TEST_F(AIActivityFilterEngineTest, ProbeFolderIsIgnoredForClaude) {
    const QString path = home.write(
        QStringLiteral(".claude/projects/-tmp-%1/t.jsonl").arg(QString::fromLatin1(kClaudeProbeFolderName)),
        "{\"type\":\"assistant\"}");
    EXPECT_EQ(
        engine.shouldDispatchBurst(AIProviderType::claudeCode, path).result(),
        ActivityEvaluationResult::ignored(QStringLiteral("Provider path blacklist: Meterix-ClaudeProbe")));
}

TEST_F(AIActivityFilterEngineTest, PathBlacklistWinsOverWhitelist) {
    const QString path = home.write(QStringLiteral(".codex/sessions/credentials.json"), "delta");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::openAICodex, path).result(),
              ActivityEvaluationResult::ignored(QStringLiteral("Provider path blacklist: credentials")));
    EXPECT_EQ(engine
                  .shouldDispatchBurst(AIProviderType::openAICodex,
                                       home.write(QStringLiteral(".codex/config.toml"), "delta"))
                  .result(),
              ActivityEvaluationResult::ignored(QStringLiteral("Path does not match whitelist")));
}

TEST_F(AIActivityFilterEngineTest, ContentBlacklistIsTestedBeforeTheWhitelist) {
    const QString path = claudeTranscript("{\"role\":\"assistant\",\"content\":\"<command-name>/usage\"}\n");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).result(),
              ActivityEvaluationResult::ignored(
                  QStringLiteral("Content blacklist keyword matched: <command-name>/usage")));
}

TEST_F(AIActivityFilterEngineTest, WhitelistedTailDispatchesAtOnce) {
    const QString path = claudeTranscript("{\"type\":\"assistant\",\"message\":{}}\n");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).result(),
              ActivityEvaluationResult::immediateStreaming(
                  QStringLiteral("Content whitelist keyword matched: \"type\":\"assistant\"")));
    const auto d = engine.shouldDispatchBurst(AIProviderType::claudeCode, path);
    EXPECT_TRUE(d.dispatch);
    EXPECT_EQ(
        d.reason(),
        QStringLiteral("Immediate Streaming: Content whitelist keyword matched: \"type\":\"assistant\""));
}

TEST_F(AIActivityFilterEngineTest, EmptyMissingAndFolderPathsAreCandidates) {
    const QString candidate = QStringLiteral("Path matches whitelist; requires burst qualification");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, claudeTranscript("")).result(),
              ActivityEvaluationResult::candidateBurst(candidate));
    EXPECT_EQ(engine
                  .shouldDispatchBurst(AIProviderType::claudeCode,
                                       home.file(QStringLiteral(".claude/projects/gone.jsonl")))
                  .result(),
              ActivityEvaluationResult::candidateBurst(candidate));
    EXPECT_EQ(engine
                  .shouldDispatchBurst(AIProviderType::claudeCode,
                                       home.mkdir(QStringLiteral(".claude/projects/sub")))
                  .result(),
              ActivityEvaluationResult::candidateBurst(candidate));
}

// The last 2048 bytes used to be decoded strictly: a window starting inside a
// multi-byte character lost the whole tail, and with it both keyword lists.
TEST_F(AIActivityFilterEngineTest, ATailStartingInsideACharacterKeepsItsKeywords) {
    const QByteArray usage = "{\"role\":\"user\",\"content\":\"<command-name>/usage\"}\n";
    const QByteArray korean = "\xEC\x82\xAC\xEC\x9A\xA9\xEB\x9F\x89"; // 사용량, three bytes each
    const struct {
        const char* name;
        QByteArray before; // the bytes ahead of the window's last 2048
        QByteArray inWindow;
        Kind kind;
    } rows[] = {
        {"on a whole Korean character", korean, "", Kind::ignored},
        {"after its first byte", korean + "\xEC", "\x82\xAC", Kind::ignored},
        {"after its second byte", korean + "\xEC\x82", "\xAC", Kind::ignored},
        {"after the first byte of e-acute", "\xC3", "\xA9", Kind::ignored},
        {"inside a four-byte emoji", "\xF0", "\x9F\x98\x80", Kind::ignored},
        {"broken text inside the window", "", "\xFF", Kind::candidateBurst},
    };
    int n = 0;
    for (const auto& row : rows) {
        QByteArray tail = row.inWindow + korean;
        tail += QByteArray(2048 - tail.size() - usage.size(), 'a') + usage;
        ASSERT_EQ(tail.size(), 2048) << row.name;
        const QString path =
            home.write(QStringLiteral(".claude/projects/-work-app/s%1.jsonl").arg(++n), row.before + tail);
        EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).result().kind(), row.kind)
            << row.name;
    }
}

// A Codex rollout's last 2048 bytes as the client leaves them. Every
// token-count line carries "total_token_usage", which the keyword "usage" used
// to match as a bare word, so Codex activity never started a refresh; "ping"
// matched "mapping" and "typing" in the answers.
TEST_F(AIActivityFilterEngineTest, CodexRolloutTailsAsTheClientWritesThem) {
    namespace fx = test::codex;
    const QByteArray earlier =
        fx::messageLine(QStringLiteral("2026-01-15T10:59:30Z"), QString(1200, QChar(0xD55C))) +
        '\n'; // 한, 3 bytes
    const QByteArray answer =
        fx::assistantLine(QStringLiteral("2026-01-15T11:00:00.917Z"),
                          QStringLiteral("Mapping the types and wrapping the helper; typing is done.")) +
        '\n';
    const QByteArray tokenCount =
        fx::tokenCountLine(QStringLiteral("2026-01-15T11:00:01.482Z"), fx::kAccountLimits) + '\n';
    const QByteArray sparkCount =
        fx::tokenCountLine(QStringLiteral("2026-01-15T11:00:01.483Z"), fx::kSparkLimits) + '\n';
    const QByteArray cutInKorean =
        R"({"timestamp":"2026-01-15T11:00:02Z","type":"response_item","payload":{"text":")"
        "\xED\x95\x9C\xED"; // 한 and the first byte of the next one
    const QString candidate = QStringLiteral("Path matches whitelist; requires burst qualification");
    const struct {
        const char* name;
        QByteArray contents;
        ActivityEvaluationResult expected;
    } rows[] = {
        {"an answer and its token counts", earlier + answer + tokenCount + sparkCount,
         ActivityEvaluationResult::immediateStreaming(
             QStringLiteral("Content whitelist keyword matched: assistant"))},
        {"token counts alone", earlier + tokenCount + sparkCount,
         ActivityEvaluationResult::candidateBurst(candidate)},
        {"a last line cut inside a character", earlier + answer + tokenCount + cutInKorean,
         ActivityEvaluationResult::immediateStreaming(
             QStringLiteral("Content whitelist keyword matched: assistant"))},
        {"a usage report",
         earlier + answer +
             R"({"type":"event_msg","payload":{"type":"usage"}})"
             "\n",
         ActivityEvaluationResult::ignored(QStringLiteral("Content blacklist keyword matched: \"usage\""))},
        {"the /usage command",
         earlier + R"({"payload":{"role":"user","text":"/usage"}})"
                   "\n",
         ActivityEvaluationResult::ignored(QStringLiteral("Content blacklist keyword matched: \"/usage\""))},
        {"a ping",
         earlier + answer +
             R"({"type":"ping"})"
             "\n",
         ActivityEvaluationResult::ignored(QStringLiteral("Content blacklist keyword matched: \"ping\""))},
    };
    int n = 0;
    for (const auto& row : rows) {
        const QString path = home.write(
            QStringLiteral(".codex/sessions/2026/01/15/rollout-2026-01-15T10-59-%1.jsonl").arg(++n),
            row.contents);
        EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::openAICodex, path).result(), row.expected)
            << row.name;
    }
}

// A writer caught halfway through a character: the tail is read up to the
// last whole one. Bytes that are broken, not cut, still spoil it.
TEST_F(AIActivityFilterEngineTest, ATailEndingInsideACharacterKeepsItsKeywords) {
    const QByteArray assistant = "{\"type\":\"assistant\",\"text\":\"";
    const struct {
        const char* name;
        QByteArray end;
        Kind kind;
    } rows[] = {
        {"after a whole character", "\xED\x95\x9C", Kind::immediateStreaming},
        {"after the first of three bytes", "\xED", Kind::immediateStreaming},
        {"after two of three bytes", "\xED\x95", Kind::immediateStreaming},
        {"after three of four bytes", "\xF0\x9F\x98", Kind::immediateStreaming},
        {"after the first of two bytes", "\xC3", Kind::immediateStreaming},
        {"on a byte that starts nothing", "\xFF", Kind::candidateBurst},
        {"on a stray continuation byte", "a\x80", Kind::candidateBurst},
        {"on an overlong lead byte", "\xC0", Kind::candidateBurst},
    };
    int n = 0;
    for (const auto& row : rows) {
        const QString path = home.write(QStringLiteral(".claude/projects/-work-app/end%1.jsonl").arg(++n),
                                        assistant + row.end);
        EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).result().kind(), row.kind)
            << row.name;
    }
}

TEST_F(AIActivityFilterEngineTest, FifoInAWatchedFolderNeverBlocks) {
    const QString fifo = home.makeFifo(QStringLiteral(".claude/projects/-work-app/pipe.jsonl"));
    auto result = std::async(std::launch::async, [&] {
        return engine.shouldDispatchBurst(AIProviderType::claudeCode, fifo).result();
    });
    if (result.wait_for(std::chrono::milliseconds(test::kHangLimitMs)) != std::future_status::ready) {
        // Release the blocked reader so the test can end, then fail.
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
        FAIL() << "evaluating a FIFO blocked";
    }
    EXPECT_EQ(result.get().kind(), Kind::candidateBurst);
}

TEST_F(AIActivityFilterEngineTest, WindsurfAndZedAreNeverImmediate) {
    const QString windsurf = home.write(QStringLiteral(".codeium/chat/a.jsonl"), "assistant delta choices");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::windsurf, windsurf).result().kind(),
              Kind::candidateBurst);
    const QString zed = home.write(QStringLiteral(".config/zed/threads/t.json"), "\"role\":\"assistant\"");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::zed, zed).result().kind(), Kind::candidateBurst);
}

TEST_F(AIActivityFilterEngineTest, ProviderWithoutRuleTakesOnlyLogFiles) {
    EXPECT_EQ(
        engine.shouldDispatchBurst(AIProviderType::deepseek, QStringLiteral("/x/deepseek/run.log")).result(),
        ActivityEvaluationResult::candidateBurst(QStringLiteral("Default candidate log file")));
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::deepseek, QStringLiteral("/x/deepseek/run.jsonl"))
                  .result()
                  .kind(),
              Kind::candidateBurst);
    EXPECT_EQ(
        engine.shouldDispatchBurst(AIProviderType::deepseek, QStringLiteral("/x/deepseek/run.txt")).result(),
        ActivityEvaluationResult::ignored(QStringLiteral("No rule registered for provider deepseek")));
    // The default burst: 2.5 s, two events.
    EXPECT_FALSE(engine.shouldDispatchBurst(AIProviderType::groq, QStringLiteral("/x/a.log")).dispatch);
    clock.advance(2.5);
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::groq, QStringLiteral("/x/a.log")).reason(),
              QStringLiteral("Burst qualified (2 events in 2.5s)"));
}

TEST_F(AIActivityFilterEngineTest, BurstQualifiesWithinTheWindowAndStartsAgain) {
    const QString path = claudeTranscript("no keyword here");
    auto first = engine.shouldDispatchBurst(AIProviderType::claudeCode, path);
    EXPECT_FALSE(first.dispatch);
    EXPECT_EQ(first.reason(), QStringLiteral("Candidate burst accumulating (1/2)"));
    clock.advance(1.9);
    auto second = engine.shouldDispatchBurst(AIProviderType::claudeCode, path);
    EXPECT_TRUE(second.dispatch);
    EXPECT_EQ(second.reason(), QStringLiteral("Burst qualified (2 events in 2.0s)"));
    clock.advance(0.6); // t = 2.5: the qualified burst emptied the list
    auto third = engine.shouldDispatchBurst(AIProviderType::claudeCode, path);
    EXPECT_FALSE(third.dispatch);
    EXPECT_EQ(third.reason(), QStringLiteral("Candidate burst accumulating (1/2)"));
}

TEST_F(AIActivityFilterEngineTest, EventBeyondTheWindowStartsOver) {
    const QString path = claudeTranscript("no keyword here");
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).reason(),
              QStringLiteral("Candidate burst accumulating (1/2)"));
    clock.advance(2.1);
    const auto late = engine.shouldDispatchBurst(AIProviderType::claudeCode, path);
    EXPECT_FALSE(late.dispatch);
    EXPECT_EQ(late.reason(), QStringLiteral("Candidate burst accumulating (1/2)"));
}

TEST_F(AIActivityFilterEngineTest, AgeEqualToTheWindowStillCounts) {
    const QString path = home.write(QStringLiteral(".codeium/logs/a.log"), "x");
    EXPECT_FALSE(engine.shouldDispatchBurst(AIProviderType::windsurf, path).dispatch);
    clock.advance(2.5);
    const auto d = engine.shouldDispatchBurst(AIProviderType::windsurf, path);
    EXPECT_TRUE(d.dispatch);
    EXPECT_EQ(d.reason(), QStringLiteral("Burst qualified (2 events in 2.5s)"));
}

TEST_F(AIActivityFilterEngineTest, OnlyThisProvidersCandidatesCountTowardItsBurst) {
    const QString candidate = claudeTranscript("plain");
    const QString immediate =
        home.write(QStringLiteral(".claude/projects/-work-app/live.jsonl"), "{\"role\":\"user\"}");
    const QString ignored = home.file(QStringLiteral(".claude/projects/x.lock"));
    const QString codex = home.write(QStringLiteral(".codex/sessions/a.jsonl"), "plain");
    EXPECT_FALSE(engine.shouldDispatchBurst(AIProviderType::claudeCode, candidate).dispatch);
    // Another provider's candidate keeps its own count.
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::openAICodex, codex).reason(),
              QStringLiteral("Candidate burst accumulating (1/2)"));
    clock.advance(0.5);
    EXPECT_TRUE(engine.shouldDispatchBurst(AIProviderType::claudeCode, immediate).dispatch);
    const auto skipped = engine.shouldDispatchBurst(AIProviderType::claudeCode, ignored);
    EXPECT_FALSE(skipped.dispatch);
    EXPECT_EQ(skipped.reason(), QStringLiteral("Ignored: Global blacklisted extension: .lock"));
    clock.advance(0.5);
    EXPECT_EQ(engine.shouldDispatchBurst(AIProviderType::claudeCode, candidate).reason(),
              QStringLiteral("Burst qualified (2 events in 2.0s)"));
}

TEST_F(AIActivityFilterEngineTest, WallClockStepDoesNotAgeOutABurst) {
    const QString path = claudeTranscript("plain");
    EXPECT_FALSE(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).dispatch);
    // The wall clock jumps an hour ahead (NTP, manual change); only a second passed.
    clock.set(clock.now().addSecs(3600));
    clock.advance(1.0);
    EXPECT_TRUE(engine.shouldDispatchBurst(AIProviderType::claudeCode, path).dispatch);
}

} // namespace
} // namespace meterix
