#pragma once

#include "core/HostEnvironment.h"
#include "platform/process/ClientTrust.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace meterix {

// Where a bare command name is looked for: where Linux installers put the
// clients, in this order: ~/.local/bin (the native installers), the absolute
// entries of the app's own PATH, /usr/local/bin, /usr/bin, ~/.npm-global/bin,
// ~/.bun/bin, ~/.local/share/pnpm, ~/.volta/bin, the node versions of nvm
// (~/.nvm/versions/node/*/bin) and of fnm
// (~/.local/share/fnm/node-versions/*/installation/bin), newest version first,
// and /home/linuxbrew/.linuxbrew/bin. Never a relative PATH entry, never the
// current folder. `systemRoot` stands for "/" in the fixed system folders.
// Lists the node version folders (blocking, file system).
QStringList clientCandidateFolders(const HostEnvironment& host, const QString& systemRoot);

// A path from the root: anything else would be looked up from the current folder.
inline bool isAbsolutePath(const QString& path) {
    return path.startsWith(QLatin1Char('/'));
}

// The absolute entries of a PATH value, each once; relative and empty ones (the
// current folder) are dropped.
QStringList absolutePathEntries(const QString& path);

// The client a command names, checked by the trust rule and open, and where it
// was found.
struct FoundClient {
    CheckedClient client;
    QString path;
};

// A command containing "/" is taken as a path; a bare name is looked for in
// `folders`, in order. Refused candidates are logged once.
std::optional<FoundClient> findClient(const QString& command, const QStringList& folders,
                                      const TrustRule& rule);

} // namespace meterix
