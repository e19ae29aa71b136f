#pragma once

#include "core/CurlTransport.h"
#include "core/Paths.h"
#include "providers/common/KeyedAdapter.h"

namespace meterix {

// An OpenRouter account's prepaid credits and the budget of the API key in
// use, asked at the same time and folded into one snapshot. An ordinary key may
// not read the credits (401/403): its own budget then stands alone. Blocking
// calls as in KeyedAdapter; a fetch runs the key request on a second thread and
// never returns before it has ended.
class OpenRouterAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://openrouter.ai";

    explicit OpenRouterAdapter(UsageTransport& transport,
                               QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                               QString homeDirectory = homeFolder(),
                               EnvironmentLookup environment = processEnvironment(),
                               const Clock& clock = Clock::system());

    UsageSnapshot fetchUsage(bool forceSync) override;

protected:
    QList<HttpHeader> requestHeaders(const QString& key) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(8); }

private:
    // The success snapshot of these figures; nothing measured without them.
    UsageSnapshot snapshot(const std::optional<UsageSnapshot::Fields>& fields) const;
};

} // namespace meterix
