// The text "claude -p /usage" prints: a snapshot only with a session line, and
// every figure in it sound. Zone names never reach the file system.
#include "FuzzTarget.h"

#include "core/Clock.h"
#include "providers/claude/ClaudeCodeAdapter.h"

#include <QFile>

#include <sys/stat.h>

using namespace meterix;

namespace {

// A FIFO a zone name can climb to: were zone names opened as files, a text
// naming it would block here for ever. It lives in this process's own folder,
// whose name no input can know, so "$FIFO" in the input stands for its path.
const QString& zoneFifo() {
    static const QString path = [] {
        const QString fifo = fuzz::workspace() + QStringLiteral("/zone-fifo");
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        return fifo;
    }();
    return path;
}

} // namespace

METERIX_FUZZ_TARGET(claude_usage_text) {
    const QString text =
        QString::fromUtf8(fuzz::bytes(data, size)).replace(QLatin1String("$FIFO"), zoneFifo());
    const QTimeZone utc(QByteArrayLiteral("UTC"));
    const auto s = ClaudeCodeAdapter::parseClaudeUsageOutput(text, fuzz::fixedNow(), utc);
    if (!s) return;
    METERIX_FUZZ_CHECK(text.contains(QLatin1String("session"), Qt::CaseInsensitive));
    METERIX_FUZZ_CHECK(!s->modelQuotas.isEmpty());
    fuzz::checkSnapshot(*s);
    // A reset named in the text lies ahead, and at most a year and a day away.
    for (const auto& at : {s->headlineResetAt, s->weeklyResetAt})
        if (const auto left = at ? std::optional(secondsBetween(fuzz::fixedNow(), *at)) : std::nullopt)
            METERIX_FUZZ_CHECK(*left > 0 && *left <= 367.0 * 86400 + 86400);
}
