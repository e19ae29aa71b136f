#pragma once

#include "core/UsageTransport.h"

#include <atomic>
#include <cstdint>

namespace meterix {

// The production transport on libcurl. TLS is verified, redirects are never
// followed (a key header must not reach another host; a 3xx is the provider's
// error), every request has a total time-out, bodies are capped, and nothing is
// ever printed (verbose output would show the keys).
class CurlTransport final : public UsageTransport {
  public:
    static constexpr int64_t kDefaultBodyCap = 4 * 1024 * 1024;

    explicit CurlTransport(int64_t bodyCap = kDefaultBodyCap);

    std::pair<QByteArray, UsageResponse> data(const UsageRequest& request) override;

    // Aborts every transfer in flight and refuses new ones (used when quitting).
    void cancelAll();

    // The shared instance the adapters use in production.
    static CurlTransport& shared();

  private:
    int64_t bodyCap_;
    std::atomic<bool> cancelled_{false};
};

} // namespace meterix
