#include "support/LoopbackServer.h"

namespace meterix::test {

LoopbackServer::LoopbackServer() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // Spin until the listening thread has started accepting (bounded).
    for (int i = 0; i < 1000000 && !server_.is_running(); ++i)
        std::this_thread::yield();
}

LoopbackServer::~LoopbackServer() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
}

void LoopbackServer::get(const std::string& path, httplib::Server::Handler handler) {
    server_.Get(path, std::move(handler));
}

QString LoopbackServer::baseURL() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

QUrl LoopbackServer::url(const QString& path) const {
    return QUrl(baseURL() + path);
}

} // namespace meterix::test
