#pragma once

#include "core/CurlTransport.h"
#include "core/Paths.h"
#include "providers/common/KeyedAdapter.h"

namespace meterix {

// How much of a Groq API account's rate limits is left (tokens per minute,
// requests per day), read from the rate-limit headers of an authenticated
// model-list request; the body is ignored. Blocking calls as in KeyedAdapter.
class GroqAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://api.groq.com";

    explicit GroqAdapter(UsageTransport& transport,
                         QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                         QString homeDirectory = homeFolder(), EnvironmentLookup environment = processEnvironment(),
                         const Clock& clock = Clock::system());

    // A reset duration such as "2m59.56s", "120ms", "1h2m" or plain seconds
    // "30", in seconds; nothing for anything else or a sum that is not finite.
    static std::optional<double> duration(const std::optional<QString>& text);

protected:
    QList<HttpHeader> requestHeaders(const QString& key) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(6); }
    UsageSnapshot snapshotFromAnswer(const UsageAnswer& answer) const override;

private:
    UsageSnapshot snapshotFromHeaders(const UsageAnswer& answer) const;
};

} // namespace meterix
