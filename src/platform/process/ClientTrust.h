#pragma once

#include "core/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <span>

namespace meterix {

// The path a descriptor stands for now, as the kernel resolved it (links
// followed); nothing when it cannot be read or is no absolute path. As bytes,
// and decoded as file names are.
std::optional<QByteArray> realPathBytesOf(int fd);
std::optional<QString> realPathOf(int fd);

// A file or folder refused for a client (to run, to lie on its PATH, to work
// in) is worth knowing once, with the reason: a user whose /usr/local/bin is
// group-writable would otherwise lose a client without a word. Logged at info
// level, once per path and reason for the life of the process.
void logRefusalOnce(const QString& what, const QString& path, const QString& reason);

// The trust rule a client must pass before it runs with the user's rights: the
// client file (and the file its link leads to) is a regular file owned by the
// user or root that only its owner may write; its folder likewise; every folder
// above, up to "/", is owned by the user or root and writable by no one else,
// or sticky (as /tmp: others may add names there but not replace ours). Every
// check is made on descriptors.

// Who owns a file or folder as the rule sees it (its owner's id when empty).
using OwnerOf = std::function<uid_t(const struct stat&)>;

// The one way the runner looks at a file: by descriptor.
std::optional<struct stat> statOf(int fd);
Fd openPath(const QString& path, int flags);

// What a refusal of a client candidate is logged as.
inline const QString kSkippedCandidate = QStringLiteral("Skipped client candidate");

// A checked client: open by descriptor, ready to start.
struct CheckedClient {
    Fd file;          // the file that runs (O_PATH)
    QString folder;   // the real path of its folder
    QString realPath; // the real path of the file
};

// Applies the trust rule by descriptor.
class TrustRule {
  public:
    TrustRule(uid_t user, OwnerOf ownerOf) : user_(user), ownerOf_(std::move(ownerOf)) {}

    // Why the folder open as `folder` (and every folder above it) may not hold
    // a client, or nothing.
    std::optional<QString> folderFault(int folder) const;
    // The client `name` in the folder open as `folder` (its chain already
    // checked), checked and opened: through a link, the file it leads to is
    // opened again from its own checked folder. `fault` says why a file that is
    // there was refused.
    std::optional<CheckedClient> client(int folder, const QString& name, QString& fault) const;

  private:
    uid_t owner(const struct stat& st) const { return ownerOf_ ? ownerOf_(st) : st.st_uid; }
    bool ownedSafely(const struct stat& st) const;

    uid_t user_;
    OwnerOf ownerOf_;
};

// The rule on a chain of folders, the client's own folder first and "/" last,
// for `user`: why it fails, or nothing.
std::optional<QString> trustChainFault(std::span<const struct stat> chain, uid_t user,
                                       const OwnerOf& ownerOf = {});

// The real path of a folder that passes the rule and can stand in a PATH as it
// is (no ":" in it), or nothing; a refusal is logged once.
std::optional<QString> trustedPathFolder(const QString& path, const OwnerOf& ownerOf);

// A regular file (links followed) that this process may execute.
bool isExecutableFile(const QString& path);

} // namespace meterix
