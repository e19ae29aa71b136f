#pragma once

#include "core/CurlTransport.h"
#include "core/Paths.h"
#include "providers/KeyedAdapter.h"

namespace meterix {

// The balance of a Moonshot (Kimi) API account in yuan as a fill level: 50 CNY
// or more is full. Blocking calls as in KeyedAdapter.
class KimiAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://api.moonshot.cn";
    static constexpr double kFullBalance = 50;

    explicit KimiAdapter(UsageTransport& transport = CurlTransport::shared(),
                         QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                         QString homeDirectory = homeFolder(), EnvironmentLookup environment = processEnvironment(),
                         const Clock& clock = Clock::system());

    QString balanceEndpoint() const { return endpointString(endpointPath()); }

protected:
    QList<HttpHeader> requestHeaders(const QString& key) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(6); }
    std::optional<UsageSnapshot> snapshotFromBody(const QJsonObject& body) const override;
};

} // namespace meterix
