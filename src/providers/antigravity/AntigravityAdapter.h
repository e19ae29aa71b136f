#pragma once

#include "core/AIProviderAdapter.h"
#include "core/Clock.h"
#include "core/HostEnvironment.h"
#include "core/Locked.h"
#include "core/UsageSnapshot.h"
#include "platform/process/CLIProcessRunner.h"
#include "providers/common/ProbeGate.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace meterix {

// Antigravity: the remaining Gemini and Claude/GPT quota, read from the table
// that the `agy` client prints for "/usage". A good reading is reused for
// 900 s; a new probe runs at most once every 180 s and only while no other
// provider's probe runs. Every fetch ends in a snapshot: a fresh reading, the
// last one, or the placeholder (not measured while the client is installed,
// not configured otherwise).
// checkAvailability and fetchUsage block (file system, child process): adapter
// pool only. isDetected may be read from any thread.
class AntigravityAdapter final : public AIProviderAdapter {
  public:
    static constexpr const char* kProbeKey = "agy:default";
    // The probe's working folder under the app's data folder, owner-only.
    static constexpr const char* kProbeFolderName = "Meterix-AntigravityProbe";
    static constexpr double kProbeFloorSeconds = 180;
    static constexpr double kProbeTimeoutSeconds = 20;
    static constexpr double kFreshForSeconds = 900;

    AntigravityAdapter(HostEnvironment host, ProbeGate& gate, CLIProcessRunner& runner,
                       const Clock& clock = Clock::system());

    AIProviderType type() const override { return AIProviderType::antigravity; }
    bool isDetected() const override { return detected_.get(); }
    bool checkAvailability() override;
    // Never throws.
    UsageSnapshot fetchUsage(bool forceSync) override;
    using AIProviderAdapter::fetchUsage;

    // The snapshot a "/usage" table describes; nothing when it holds no figure.
    // Rows are TAB-separated columns (name, slot, percent, reset); shorter rows
    // are read as blank-aligned text.
    static std::optional<UsageSnapshot> parseAgyUsageOutput(const QString& output, const QDateTime& now);

  private:
    // The client's folder exists or an `agy` the probe would run is found.
    bool isInstalled() const;

    HostEnvironment host_;
    ProbeGate& gate_;
    CLIProcessRunner& runner_;
    const Clock& clock_;
    Locked<bool> detected_{false};
    Locked<std::optional<UsageSnapshot>> cachedSnapshot_;
};

} // namespace meterix
