#include "platform/process/ClientLookup.h"

#include "core/DirectoryListing.h"
#include "core/Paths.h"
#include "core/TextUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVersionNumber>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace meterix {

namespace {

// The node version folders in `versions`, newest first by version (v9 before
// v10 would be wrong by name), each with `below` appended.
QStringList nodeVersionFolders(const QString& versions, const QString& below) {
    QList<std::pair<QVersionNumber, QString>> entries;
    for (const QString& name : listDirectoryNames(versions).value_or(QStringList{})) {
        qsizetype suffix = 0;
        const QVersionNumber version = QVersionNumber::fromString(
            QStringView(name).mid(name.startsWith(QLatin1Char('v')) ? 1 : 0), &suffix);
        if (version.segmentCount() >= 3) entries.append({version, name});
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first > b.first;
        return codePointLess(b.second, a.second);
    });
    QStringList folders;
    for (const auto& entry : entries)
        folders.append(QDir(versions).filePath(entry.second + QLatin1Char('/') + below));
    return folders;
}

void appendOnce(QStringList& list, const QString& entry) {
    if (!entry.isEmpty() && !list.contains(entry)) list.append(entry);
}

} // namespace

QStringList absolutePathEntries(const QString& path) {
    QStringList entries;
    for (const QString& entry : path.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (isAbsolutePath(entry)) appendOnce(entries, entry);
    return entries;
}

QStringList clientCandidateFolders(const HostEnvironment& host, const QString& systemRoot) {
    const QString& root = systemRoot;
    // Folders below a home that is no absolute path would be relative ones.
    const bool homeIsAbsolute = isAbsolutePath(host.home);
    auto inHome = [&](const char* relative) {
        return homeIsAbsolute ? joinPath(host.home, QString::fromLatin1(relative)) : QString();
    };
    QStringList folders;
    appendOnce(folders, inHome(".local/bin"));
    for (const QString& entry : absolutePathEntries(host.variables.value(QStringLiteral("PATH"))))
        appendOnce(folders, entry);
    for (const char* system : {"/usr/local/bin", "/usr/bin"})
        appendOnce(folders, root + QString::fromLatin1(system));
    for (const char* relative : {".npm-global/bin", ".bun/bin", ".local/share/pnpm", ".volta/bin"})
        appendOnce(folders, inHome(relative));
    if (homeIsAbsolute) {
        for (const QString& folder : nodeVersionFolders(inHome(".nvm/versions/node"), QStringLiteral("bin")))
            appendOnce(folders, folder);
        for (const QString& folder :
             nodeVersionFolders(inHome(".local/share/fnm/node-versions"), QStringLiteral("installation/bin")))
            appendOnce(folders, folder);
    }
    appendOnce(folders, root + QStringLiteral("/home/linuxbrew/.linuxbrew/bin"));
    return folders;
}

std::optional<FoundClient> findClient(const QString& command, const QStringList& folders,
                                      const TrustRule& rule) {
    if (command.isEmpty()) return std::nullopt;
    auto tryIn = [&](const QString& folderPath, const QString& name) -> std::optional<FoundClient> {
        const QString path = joinPath(folderPath, name);
        const Fd folder = openPath(folderPath, O_DIRECTORY);
        if (!folder) return std::nullopt;
        QString fault;
        if (const auto why = rule.folderFault(folder.get())) {
            // Only worth a word when there is a client to lose; said of the
            // folder, as the child's PATH says it.
            if (::faccessat(folder.get(), QFile::encodeName(name).constData(), F_OK, 0) == 0)
                logRefusalOnce(kSkippedCandidate, folderPath, *why);
            return std::nullopt;
        }
        auto client = rule.client(folder.get(), name, fault);
        if (!client) {
            if (!fault.isEmpty()) logRefusalOnce(kSkippedCandidate, path, fault);
            return std::nullopt;
        }
        return FoundClient{std::move(*client), path};
    };
    // Only an explicit path is taken as given: a bare name must never start a
    // file that happens to lie in the current folder.
    if (command.contains(QLatin1Char('/'))) {
        const QFileInfo info(command);
        return tryIn(info.path(), info.fileName());
    }
    for (const QString& folder : folders)
        if (auto found = tryIn(folder, command)) return found;
    return std::nullopt;
}

} // namespace meterix
