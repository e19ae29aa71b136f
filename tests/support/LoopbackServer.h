#pragma once

#include <QString>
#include <QUrl>

#include <httplib.h>

#include <functional>
#include <string>
#include <thread>

namespace meterix::test {

// A real HTTP server on 127.0.0.1 and a free port, on its own thread, for as long
// as the object lives. Register handlers before the first request.
class LoopbackServer {
  public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    void get(const std::string& path, httplib::Server::Handler handler);
    int port() const { return port_; }
    QUrl url(const QString& path) const;
    QString baseURL() const;

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

} // namespace meterix::test
