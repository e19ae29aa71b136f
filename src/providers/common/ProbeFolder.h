#pragma once

#include <QString>

#include <sys/types.h>
#include <unistd.h>

#include <optional>

namespace meterix {

// The scratch folder a probe runs its client in, `name` under the app's data
// folder. Clients read project settings (which may name commands to start)
// from their working folder upward, so a probe never runs in the folder the
// app happened to be started from; and since the client runs with the user's
// rights, its folder must be one nobody else can prepare: made (or tightened)
// to owner-only, and refused when a link stands in its place or another user
// owns it, or when a folder above it fails the rule a client's folders pass
// (ClientTrust). The real path, or nothing when the folder is refused or
// cannot be made. The runner checks it again by the descriptor the client
// starts in. Blocking (file system).
std::optional<QString> ownerOnlyProbeFolder(const QString& dataHome, const QString& name,
                                            uid_t user = ::geteuid());

} // namespace meterix
