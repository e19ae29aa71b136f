#pragma once

#include "core/CurlTransport.h"
#include "core/Locked.h"
#include "core/Paths.h"
#include "providers/common/KeyedAdapter.h"

#include <QHash>

namespace meterix {

// Two kinds of Kimi key, told apart by their form:
//
// A Moonshot (Kimi) API key reads the account's balance as a fill level: 50 units
// or more is full. Such a key works only on the platform that issued it: the
// China platform answers in yuan, the international one in US dollars. The
// China host is asked first; a key it refuses with 401 is tried once on the
// international host, and the host that took it is remembered for that key (by
// its fingerprint, in memory only), so later refreshes ask one host.
//
// A Kimi Code plan key ("sk-kimi-...", the key the plan's console issues for
// KIMI_API_KEY) has no balance: it reads the plan's usage windows (five hours,
// and the week) where Kimi's own command-line client reads them. A plan key
// whose answer holds no window says so in its plan name, never as a refused key.
//
// Blocking calls as in KeyedAdapter.
class KimiAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://api.moonshot.cn";
    static constexpr const char* kInternationalBaseAddress = "https://api.moonshot.ai";
    static constexpr const char* kCodingBaseAddress = "https://api.kimi.com/coding/v1";
    static constexpr double kFullBalance = 50;

    explicit KimiAdapter(UsageTransport& transport,
                         QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                         QString homeDirectory = homeFolder(), EnvironmentLookup environment = processEnvironment(),
                         const Clock& clock = Clock::system(),
                         QString internationalBaseAddress = QString::fromLatin1(kInternationalBaseAddress),
                         QString codingBaseAddress = QString::fromLatin1(kCodingBaseAddress));

    QString internationalBalanceEndpoint() const { return joinAddress(internationalBaseAddress_, endpointPath()); }
    QString codingUsageEndpoint() const;

    // Whether a key is a Kimi Code plan key rather than a Moonshot API key.
    static bool isCodingPlanKey(const QString& key);

protected:
    QList<HttpHeader> requestHeaders(const QString& key) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(6); }
    UsageAnswer ask(const QString& key) const override;
    UsageSnapshot snapshotFromAnswer(const UsageAnswer& answer) const override;

private:
    enum class Platform { china, international };
    std::optional<UsageSnapshot> snapshotFromBalance(const QJsonObject& body, Platform platform) const;
    UsageSnapshot snapshotFromCodingAnswer(const UsageAnswer& answer) const;

    QString internationalBaseAddress_;
    QString codingBaseAddress_;
    // Key fingerprint -> the platform whose host took that key.
    mutable Locked<QHash<QString, Platform>> platforms_;
};

} // namespace meterix
