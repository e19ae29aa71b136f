#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

#include <sys/types.h>
#include <unistd.h>

namespace meterix {

// Whether the server at an address is the user's own Ollama. Any local user may
// listen on a free port of the loopback, Ollama's included while the user's own
// server is stopped: what answers there counts only when every socket listening
// where a connection to the address lands belongs to the user, to Ollama's
// service user (the "ollama" account its Linux installer runs the service as)
// or to root (a system service, a container's port proxy). The owners are read
// from the kernel's socket tables, /proc/net/tcp and /proc/net/tcp6. A server
// on another host is the user's own choice (OLLAMA_HOST) and counts as it is.
class OllamaListener {
public:
    // systemRoot stands for "/" (tests lay out proc/net and etc/passwd there).
    explicit OllamaListener(QString systemRoot = QStringLiteral("/"), uid_t user = ::getuid());

    bool isOwn(const QUrl& server) const;

    // The owners of the sockets listening on `port` that a connection to the
    // loopback address `host` reaches (one bound to it, to the any-address of
    // either family, or to its IPv4-mapped form), in table order. Nothing when
    // the host is no loopback address (or "localhost").
    std::optional<QList<uid_t>> loopbackListenerOwners(const QString& host, int port) const;

private:
    std::optional<uid_t> serviceUser() const;

    QString systemRoot_;
    uid_t user_;
};

} // namespace meterix
