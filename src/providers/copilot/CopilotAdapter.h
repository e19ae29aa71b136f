#pragma once

#include "core/CurlTransport.h"
#include "core/Paths.h"
#include "providers/common/KeyedAdapter.h"

namespace meterix {

// How much of the GitHub Copilot premium, chat and completion allowances is
// left, read with the user's GitHub token, with the plan and the date the
// allowances renew, by the rules GitHub's own editor clients apply to the same
// answer (token-based billing, pooled allowances, the older free-plan answer). Blocking calls as in KeyedAdapter.
class CopilotAdapter final : public KeyedAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "https://api.github.com";
    // The countdown of both windows when the answer gives no renewal date.
    static constexpr double kResetCountdown = 864000;

    explicit CopilotAdapter(UsageTransport& transport,
                            QString baseAddress = QString::fromLatin1(kDefaultBaseAddress),
                            QString homeDirectory = homeFolder(),
                            EnvironmentLookup environment = processEnvironment(),
                            const Clock& clock = Clock::system());

    // The Copilot clients' folder: $XDG_CONFIG_HOME/github-copilot, else
    // ~/.config/github-copilot; the host files inside it.
    QString configFolder() const;
    QString configPath() const;
    QString appsConfigPath() const;

    // GITHUB_TOKEN or COPILOT_TOKEN set (even to ""), or either host file exists.
    bool isDetected() const override;

    // The remaining share of one allowance of "quota_snapshots" given as used
    // and granted amounts ("credits_used"/"used", "credits_total"/"limit"), or
    // nothing.
    static std::optional<double> remaining(const QString& allowance, const QJsonObject& quotaSnapshots);

protected:
    // The token from the environment, else from the Copilot host files, where
    // only entries issued for the public GitHub host count.
    std::optional<QString> resolveCredential() const override;
    SetupLookup credentialLookup() const override;
    QList<HttpHeader> requestHeaders(const QString& token) const override;
    std::chrono::milliseconds requestTimeout() const override { return std::chrono::seconds(8); }
    std::optional<UsageSnapshot> snapshotFromBody(const QJsonObject& body) const override;

private:
    std::optional<QString> tokenFromHostFile(const QString& path) const;
};

} // namespace meterix
