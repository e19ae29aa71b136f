#pragma once

#include "core/Locked.h"

#include <QString>

#include <atomic>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace meterix::test {

// A real HTTP server on 127.0.0.1 (an ephemeral port) that answers GET requests
// with canned answers by path, for tests of the libcurl transport. Unknown paths
// get 404.
class LoopbackServer {
public:
    struct Answer {
        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
        // Held answers are sent only once release() is called (or the server ends).
        bool hold = false;
    };
    struct Received {
        std::string path;
        std::map<std::string, std::string> headers; // names lower-cased
        int remotePort = 0; // tells the connections apart
    };

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // "http://127.0.0.1:<port>"
    QString baseAddress() const;
    void answer(const std::string& path, Answer answer);
    void release();
    std::vector<Received> received() const { return received_.get(); }

private:
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    Locked<std::map<std::string, Answer>> answers_;
    Locked<std::vector<Received>> received_;
    std::mutex holdMutex_;
    std::condition_variable holdChanged_;
    bool released_ = false;
};

} // namespace meterix::test
