#pragma once

#include "core/AIProviderAdapter.h"
#include "core/Clock.h"
#include "core/EnvironmentLookup.h"
#include "core/UsageTransport.h"
#include "providers/common/ApiKeySource.h"

#include <QJsonObject>

#include <chrono>

namespace meterix {

// What the adapters that read a web API with the user's own key or token share:
// the credential lookup, detection, the fingerprint and the request flow
// (credential, endpoint, request, answer, snapshot). Every failure ends in a
// snapshot without figures that names the reason; nothing is thrown or logged.
//
// The adapters hold only constants (one with several hosts may also remember,
// in memory, which host took each key): any number of calls may run at once.
// checkAvailability and fetchUsage block (files, HTTP): call them off the GUI
// thread. isDetected and credentialFingerprint read small files and may be
// called from any thread.
class KeyedAdapter : public AIProviderAdapter {
public:
    AIProviderType type() const final { return type_; }
    bool isDetected() const override;
    bool checkAvailability() override { return isDetected(); }
    // Looked up afresh on every read; the snapshots never carry it.
    std::optional<QString> credentialFingerprint() const final;
    // forceSync makes no difference: nothing is cached.
    UsageSnapshot fetchUsage(bool forceSync) override;

    const QString& homeDirectory() const { return homeDirectory_; }

    // An amount with a currency sign and two decimals, whatever the locale.
    static QString amountText(const QString& sign, double amount);

protected:
    KeyedAdapter(AIProviderType type, ApiKeySource keySource, QString endpointPath, UsageTransport& transport,
                 QString baseAddress, QString homeDirectory, EnvironmentLookup environment, const Clock& clock);

    // The credential the adapter would use now, or nothing.
    virtual std::optional<QString> resolveCredential() const;
    // Where resolveCredential looks, for the guidance of a reading without a key.
    virtual SetupLookup credentialLookup() const;
    virtual QList<HttpHeader> requestHeaders(const QString& credential) const = 0;
    virtual std::chrono::milliseconds requestTimeout() const = 0;
    // The answer for a credential: by default one request to the adapter's
    // endpoint (providerError without asking when that is not an http(s) URL).
    virtual UsageAnswer ask(const QString& credential) const;
    // The snapshot of an answer: by default the failure's reason, else the
    // figures of the body through snapshotFromBody.
    virtual UsageSnapshot snapshotFromAnswer(const UsageAnswer& answer) const;
    // The figures of a 200 answer's JSON object; nothing when a field the
    // adapter requires is missing or of the wrong type. An answer that says
    // there is no figure to show returns the unavailable snapshot naming why.
    virtual std::optional<UsageSnapshot> snapshotFromBody(const QJsonObject& body) const;
    // The snapshot of a 200 answer's body, or malformedResponse.
    UsageSnapshot snapshotFromData(const QByteArray& body) const;

    // The base address followed by a path.
    QString endpointString(const QString& path) const;
    // Nothing when the endpoint is not an http(s) URL with a host.
    std::optional<QUrl> endpointUrl(const QString& path) const;
    // Both as above, for an address other than the adapter's own.
    static QString joinAddress(QString base, const QString& path);
    static std::optional<QUrl> httpUrl(const QString& address);
    UsageRequest makeRequest(const QUrl& url, const QString& credential) const;

    // Without a credential (notConfigured) the reading names where it was looked for.
    UsageSnapshot unavailable(UsageUnavailableReason reason) const;
    // Fills in what every success snapshot of these adapters shares.
    UsageSnapshot success(UsageSnapshot::Fields fields) const;

    QDateTime now() const { return clock_.now(); }
    UsageTransport& transport() const { return transport_; }
    const EnvironmentLookup& environment() const { return environment_; }
    const ApiKeySource& keySource() const { return keySource_; }
    const QString& endpointPath() const { return endpointPath_; }

    // A decimal number written as the whole text (no blanks around it); only
    // finite values count.
    static std::optional<double> decimalFromText(const QString& text);

private:
    AIProviderType type_;
    ApiKeySource keySource_;
    QString endpointPath_;
    UsageTransport& transport_;
    QString baseAddress_;
    QString homeDirectory_;
    EnvironmentLookup environment_;
    const Clock& clock_;
};

} // namespace meterix
