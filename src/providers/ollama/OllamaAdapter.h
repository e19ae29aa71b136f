#pragma once

#include "core/AIProviderAdapter.h"
#include "core/Clock.h"
#include "core/CurlTransport.h"
#include "core/EnvironmentLookup.h"
#include "platform/process/CLIProcessRunner.h"
#include "providers/ollama/OllamaListener.h"


namespace meterix {

// The model server on the user's own machine: whether it answers, and its
// installed models with their sizes (models it runs in its cloud without a size). Every figure is full; there is no
// credential. checkAvailability and fetchUsage block (HTTP, at most 1 s and 2 s):
// call them off the GUI thread. Holds only constants.
class OllamaAdapter final : public AIProviderAdapter {
public:
    static constexpr const char* kDefaultBaseAddress = "http://127.0.0.1:11434";

    OllamaAdapter(UsageTransport& transport, QString baseAddress, const CLIProcessRunner& runner,
                           const Clock& clock = Clock::system(), OllamaListener listener = OllamaListener());

    AIProviderType type() const override { return AIProviderType::ollama; }
    // Whether the server program is installed where the command-line clients
    // are looked for (~/.local/bin, PATH, /usr/local/bin, /usr/bin, ...),
    // checked on every read.
    bool isDetected() const override;
    // The user's own server answers (OllamaListener), or else the program is
    // installed (a stopped server still counts).
    bool checkAvailability() override;
    // Models are read only from the user's own server; another's answer reads
    // as no answer.
    bool isOwnServer() const;
    UsageSnapshot fetchUsage(bool forceSync) override;

    // Where Ollama's own client looks for its server, from OLLAMA_HOST as the
    // client reads it: quotes and blanks around it dropped; no scheme means
    // http on port 11434, "http://" port 80, "https://" port 443; a bare IPv6
    // address, a path after the host (a proxy) and the name "ollama.com"
    // (https) all count; a port that is no number within 0..65535 gives the
    // scheme's default. A server told to listen on every address (0.0.0.0,
    // "::") or on no named host is reached on this machine's loopback. Unset
    // or empty: http://127.0.0.1:11434. A host no URL can hold gives no
    // address (the server then counts as not answering).
    static QString serverAddress(const std::optional<QString>& ollamaHost);

    QString tagsEndpoint() const;
    // What a server that does not answer shows: no figure, and the address
    // that was asked.
    UsageSnapshot fallbackSnapshot() const;

private:
    UsageRequest tagsRequest(std::chrono::milliseconds timeout) const;
    UsageSnapshot snapshot(QList<ModelQuotaItem> items, FetchStrategy strategy) const;

    UsageTransport& transport_;
    QString baseAddress_;
    const CLIProcessRunner& runner_;
    const Clock& clock_;
    OllamaListener listener_;
};

} // namespace meterix
