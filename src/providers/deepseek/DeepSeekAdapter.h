#pragma once

#include "core/CurlTransport.h"
#include "core/Paths.h"
#include "providers/common/KeyedAdapter.h"

namespace meterix {

// The prepaid balance of a DeepSeek API account as a fill level: 20 units or
// more is full. Blocking calls as in KeyedAdapter.
class DeepSeekAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://api.deepseek.com";
    static constexpr double kFullBalance = 20;

    explicit DeepSeekAdapter(UsageTransport& transport,
                             QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                             QString homeDirectory = homeFolder(),
                             EnvironmentLookup environment = processEnvironment(),
                             const Clock& clock = Clock::system());

protected:
    QList<HttpHeader> requestHeaders(const QString& key) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(8); }
    std::optional<UsageSnapshot> snapshotFromBody(const QJsonObject& body) const override;
};

} // namespace meterix
