#pragma once

#include "core/UsageTransport.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include <QUrl>

#include <chrono>

namespace meterix {

// Whether a plain request to url finds nobody listening on its loopback port
// (the host a 127.x.x.x or ::1 address), told by a connect refused within the
// wait. Anything else (another host, a connection, no answer) says no.
bool refusedOnLoopback(const QUrl& url, std::chrono::milliseconds wait);

// The production transport on libcurl. TLS is verified, redirects are never
// followed (a key header must not reach another host; a 3xx is the provider's
// error), every request has a total time-out, bodies are capped, and nothing is
// ever printed (verbose output would show the keys). Handles are kept per host
// between requests, so a provider polled every 45 s reuses its connection and
// TLS session instead of opening both anew each time; a handle left without a
// connection (its host not reached) is not kept. Any thread.
class CurlTransport final : public UsageTransport {
  public:
    static constexpr int64_t kDefaultBodyCap = 4 * 1024 * 1024;

    explicit CurlTransport(int64_t bodyCap = kDefaultBodyCap);
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    UsageAnswer answer(const UsageRequest& request) override;

    // Aborts every transfer in flight and refuses new ones (used when quitting).
    void cancelAll();

    // The shared instance the adapters use in production.
    static CurlTransport& shared();

  private:
    // A handle for host: one kept from an earlier request, else a new one.
    void* takeHandle(const QByteArray& host);
    void giveBack(const QByteArray& host, void* handle);

    int64_t bodyCap_;
    std::atomic<bool> cancelled_{false};
    mutable std::mutex idleMutex_;
    std::map<QByteArray, std::vector<void*>> idle_; // host and port -> idle handles
};

} // namespace meterix
