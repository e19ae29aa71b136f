// The process runner's trust rule and the child environment built with it.
// The first byte splits the input. Before the split, three bytes a folder
// (mode bits, and who owns it: the user, root or someone else), the client's
// folder first and "/" last: the chain passes exactly when no one but the user
// or root owns any of it, the client's folder may be written by its owner only,
// and every folder above it by its owner only unless it is sticky; and a chain
// that passes still passes with any write permission taken away. After the
// split, an environment of the app ("NAME=value" lines, PATH among them): the
// child's PATH holds absolute, distinct real paths of folders that pass the
// rule, and no variable but the session's and the client's own.
#include "FuzzTarget.h"

#include "platform/process/CLIProcessRunner.h"
#include "platform/process/ClientTrust.h"

#include <QFileInfo>
#include <QSet>

#include <unistd.h>
#include "support/HostUnderHome.h"

using namespace meterix;

namespace {

constexpr uid_t kUser = 1000;

void checkChain(const uint8_t* data, size_t size) {
    std::vector<struct stat> chain;
    for (size_t i = 0; i + 3 <= size && chain.size() < 64; i += 3) {
        struct stat st {};
        st.st_mode = S_IFDIR | ((mode_t(data[i]) << 8 | data[i + 1]) & 07777);
        st.st_uid = data[i + 2] % 3 == 0 ? kUser : data[i + 2] % 3 == 1 ? 0 : 4242;
        chain.push_back(st);
    }
    bool expected = true;
    for (size_t i = 0; i < chain.size(); ++i) {
        const bool othersWrite = chain[i].st_mode & (S_IWGRP | S_IWOTH);
        const bool sticky = chain[i].st_mode & S_ISVTX;
        if (chain[i].st_uid == 4242 || (othersWrite && (i == 0 || !sticky))) expected = false;
    }
    const bool passes = !trustChainFault(chain, kUser).has_value();
    METERIX_FUZZ_CHECK(passes == expected);
    if (!passes) return;
    for (struct stat& st : chain) {
        st.st_mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
        METERIX_FUZZ_CHECK(!trustChainFault(chain, kUser).has_value());
    }
}

void checkEnvironment(const QString& text) {
    QProcessEnvironment vars;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0) vars.insert(line.left(equals), line.mid(equals + 1));
    }
    const CLIProcessRunner runner(test::hostUnderHome(QStringLiteral("/nonexistent-home"), vars));
    const QProcessEnvironment child = runner.childEnvironment({}, QStringLiteral("/usr/bin/claude"));
    const QStringList path = child.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    METERIX_FUZZ_CHECK(QSet<QString>(path.begin(), path.end()).size() == path.size());
    for (const QString& entry : path) {
        METERIX_FUZZ_CHECK(entry.startsWith(QLatin1Char('/')));
        METERIX_FUZZ_CHECK(runner.trustedFolder(entry) == std::optional(entry));
    }
    for (const QString& name : child.keys()) {
        if (name == QLatin1String("PATH") || name == QLatin1String("HOME")) continue;
        METERIX_FUZZ_CHECK(vars.contains(name) && child.value(name) == vars.value(name));
        const bool secretLooking = name.contains(QLatin1String("KEY")) || name.contains(QLatin1String("TOKEN")) ||
                                   name.contains(QLatin1String("SECRET"));
        if (secretLooking)
            METERIX_FUZZ_CHECK(name.startsWith(QLatin1String("CLAUDE_")) ||
                               name.startsWith(QLatin1String("ANTHROPIC_")));
    }
}

} // namespace

METERIX_FUZZ_TARGET(lookup_trust) {
    if (size < 1) return;
    const size_t split = std::min<size_t>(data[0], size - 1);
    checkChain(data + 1, split);
    checkEnvironment(QString::fromUtf8(fuzz::bytes(data + 1 + split, size - 1 - split)));
}
