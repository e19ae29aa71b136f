#pragma once

#include "core/CurlTransport.h"
#include "core/Locked.h"
#include "core/Paths.h"
#include "providers/KeyedAdapter.h"

#include <QHash>

namespace meterix {

// The balance of a Moonshot (Kimi) API account as a fill level: 50 units or more
// is full. A key works only on the platform that issued it: the China platform
// answers in yuan, the international one in US dollars. The China host is asked
// first; a key it refuses with 401 is tried once on the international host, and
// the host that took it is remembered for that key (by its fingerprint, in
// memory only), so later refreshes ask one host. Blocking calls as in
// KeyedAdapter.
class KimiAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://api.moonshot.cn";
    static constexpr const char* kInternationalBaseAddress = "https://api.moonshot.ai";
    static constexpr double kFullBalance = 50;

    explicit KimiAdapter(UsageTransport& transport = CurlTransport::shared(),
                         QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                         QString homeDirectory = homeFolder(), EnvironmentLookup environment = processEnvironment(),
                         const Clock& clock = Clock::system(),
                         QString internationalBaseAddress = QString::fromLatin1(kInternationalBaseAddress));

    QString balanceEndpoint() const { return endpointString(endpointPath()); }
    QString internationalBalanceEndpoint() const { return joinAddress(internationalBaseAddress_, endpointPath()); }

    UsageSnapshot fetchUsage(bool forceSync) override;

protected:
    QList<HttpHeader> requestHeaders(const QString& key) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(6); }

private:
    enum class Platform { china, international };
    std::optional<UsageSnapshot> snapshotFromBalance(const QJsonObject& body, Platform platform) const;

    QString internationalBaseAddress_;
    // Key fingerprint -> the platform whose host took that key.
    Locked<QHash<QString, Platform>> platforms_;
};

} // namespace meterix
