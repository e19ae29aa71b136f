#include "support/LoopbackServer.h"

#include <httplib.h>

#include <sys/socket.h>

#include <algorithm>
#include <cctype>

namespace meterix::test {

LoopbackServer::LoopbackServer() : server_(std::make_unique<httplib::Server>()) {
    server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Received got{request.path, {}, request.remote_port};
        for (const auto& [name, value] : request.headers) {
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
            got.headers.emplace(lower, value);
        }
        received_.withValue([&](std::vector<Received>& all) { all.push_back(std::move(got)); });

        const auto found = answers_.withValue([&](std::map<std::string, Answer>& all) -> std::optional<Answer> {
            const auto it = all.find(request.path);
            if (it == all.end()) return std::nullopt;
            return it->second;
        });
        if (!found) {
            response.status = 404;
            return;
        }
        if (found->hold) {
            std::unique_lock lock(holdMutex_);
            holdChanged_.wait(lock, [this] { return released_; });
        }
        response.status = found->status;
        for (const auto& [name, value] : found->headers) response.set_header(name, value);
        response.set_content(found->body, "application/json");
    });
    // The library listens with a backlog of 5, fewer than the adapters a
    // refresh connects at once: the rest would wait for a SYN retransmit (1 s)
    // and a benchmark would measure the server instead of the app. Listening
    // again on the bound socket widens the backlog.
    int listening = -1;
    server_->set_socket_options([&listening](socket_t sock) {
        httplib::default_socket_options(sock);
        listening = sock;
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (listening >= 0) ::listen(listening, 128);
    // The socket already listens after binding; the thread only accepts.
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        finished_ = true;
    });
}

LoopbackServer::~LoopbackServer() {
    release();
    // stop() does nothing until the accept loop has begun.
    while (!server_->is_running() && !finished_) std::this_thread::yield();
    server_->stop();
    thread_.join();
}

QString LoopbackServer::baseAddress() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

void LoopbackServer::answer(const std::string& path, Answer answer) {
    answers_.withValue([&](std::map<std::string, Answer>& all) { all[path] = std::move(answer); });
}

void LoopbackServer::release() {
    {
        std::lock_guard lock(holdMutex_);
        released_ = true;
    }
    holdChanged_.notify_all();
}

} // namespace meterix::test
