#pragma once

#include "core/CurlTransport.h"
#include "core/Paths.h"
#include "providers/common/KeyedAdapter.h"

namespace meterix {

// How much of an ElevenLabs account's character allowance is left, with its tier,
// the time until it resets and, on usage-based plans, what is owed beyond it.
// Blocking calls as in KeyedAdapter.
class ElevenLabsAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://api.elevenlabs.io";

    explicit ElevenLabsAdapter(UsageTransport& transport,
                               QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                               QString homeDirectory = homeFolder(),
                               EnvironmentLookup environment = processEnvironment(),
                               const Clock& clock = Clock::system());

    // Seconds from now until "next_character_count_reset_unix"; nothing when it
    // is missing, not a finite number, or not in the future.
    static std::optional<double> characterResetCountdown(const QJsonObject& answer, const QDateTime& now);

protected:
    QList<HttpHeader> requestHeaders(const QString& key) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(6); }
    std::optional<UsageSnapshot> snapshotFromBody(const QJsonObject& body) const override;
    // A refusal of a good key that lacks the user-read permission is told
    // apart from a refused key.
    UsageSnapshot snapshotFromAnswer(const UsageAnswer& answer) const override;
};

} // namespace meterix
