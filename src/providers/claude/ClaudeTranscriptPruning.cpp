#include "providers/claude/ClaudeTranscriptPruning.h"

#include "core/DirectoryListing.h"
#include "core/FileDescriptor.h"
#include "core/Paths.h"
#include "core/SafeFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix {

namespace {

struct Transcript {
    QByteArray name;
    ino_t inode;
    qint64 modifiedNs;
};

// The transcript `name` in `folder` when it is a regular file written in
// `probeFolder`.
std::optional<Transcript> probeTranscript(int folder, const QByteArray& name, const QString& probeFolder) {
    // Non-blocking: a FIFO planted under the name must not hold the clean-up.
    const Fd file(::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    QByteArray head(kTranscriptHeadBytes, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < head.size()) {
        const ssize_t n = ::read(file.get(), head.data() + got, size_t(head.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    const bool whole = got < head.size() || st.st_size <= got;
    head.truncate(got);
    if (transcriptWorkingFolder(head, whole) != probeFolder) return std::nullopt;
    return Transcript{name, st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

} // namespace

std::optional<QString> claudeProjectFolderName(const QString& workingFolder) {
    if (!workingFolder.startsWith(QLatin1Char('/'))) return std::nullopt;
    QString name = workingFolder;
    for (QChar& c : name) { // UTF-16 units, as the client counts them
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z'))) c = u'-';
    }
    if (name.size() > kMaxClaudeProjectFolderName) return std::nullopt;
    return name;
}

std::optional<QString> transcriptWorkingFolder(const QByteArray& head, bool whole) {
    std::optional<QString> found;
    qsizetype start = 0;
    for (int line = 0; line < kTranscriptHeadLines && start < head.size(); ++line) {
        qsizetype end = head.indexOf('\n', start);
        if (end < 0) {
            if (!whole) break; // cut by the bound: says nothing
            end = head.size();
        }
        const QJsonValue cwd = QJsonDocument::fromJson(head.mid(start, end - start)).object().value(u"cwd");
        start = end + 1;
        if (!cwd.isString()) continue; // lines without a session context
        if (found && *found != cwd.toString()) return std::nullopt;
        found = cwd.toString();
    }
    return found;
}

void pruneClaudeProbeTranscripts(const QString& projectsFolder, const QString& probeFolder, int keeping) {
    const std::optional<QString> folderName = claudeProjectFolderName(probeFolder);
    if (!folderName || projectsFolder.isEmpty()) return;
    const QString folderPath = joinPath(projectsFolder, *folderName);
    const Fd folder = openFolderNoFollow(folderPath);
    if (!folder) return;
    const auto entries = listDirectoryNames(folderPath);
    if (!entries) return;

    // Looked at and deleted relative to the opened folder, so nothing outside it
    // can be reached even if the folder is swapped for a link meanwhile.
    const int fd = folder.get();
    QList<Transcript> transcripts;
    for (const QString& name : *entries)
        if (name.endsWith(QLatin1String(".jsonl")))
            if (auto t = probeTranscript(fd, QFile::encodeName(name), probeFolder)) transcripts.append(*t);
    std::stable_sort(transcripts.begin(), transcripts.end(),
                     [](const Transcript& a, const Transcript& b) { return a.modifiedNs > b.modifiedNs; });
    for (qsizetype i = std::max(keeping, 0); i < transcripts.size(); ++i) {
        // Only the file that was read: not one put in its place since.
        struct stat st {};
        const Transcript& t = transcripts.at(i);
        if (::fstatat(fd, t.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_ino == t.inode)
            ::unlinkat(fd, t.name.constData(), 0);
    }
}

} // namespace meterix
