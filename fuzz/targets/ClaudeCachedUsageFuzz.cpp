// The reading Claude Code caches in its .claude.json: a snapshot with sound
// figures, never dated after now, and the identity beside it.
#include "FuzzTarget.h"

#include "providers/claude/ClaudeCodeAdapter.h"

#include <QJsonDocument>

using namespace meterix;

METERIX_FUZZ_TARGET(claude_cached_usage) {
    const QJsonDocument document = QJsonDocument::fromJson(fuzz::bytes(data, size));
    if (!document.isObject()) return;
    const QJsonObject config = document.object();
    (void)ClaudeCodeAdapter::identity(config);
    const auto s = ClaudeCodeAdapter::snapshot(config, fuzz::fixedNow());
    if (!s) return;
    fuzz::checkSnapshot(*s);
    METERIX_FUZZ_CHECK(s->capturedAt <= fuzz::fixedNow());
}
