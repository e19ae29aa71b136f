#include "platform/process/ChildEnvironment.h"

#include "core/ProviderDescriptor.h"
#include "core/Paths.h"
#include "platform/process/ClientLookup.h"

#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace meterix {

namespace {

// What of the app's environment a client may see: the session it runs in, and
// nothing that belongs to another tool.
bool isSessionVariable(const QString& name) {
    static const QSet<QString> names = {
        QStringLiteral("HOME"),
        QStringLiteral("USER"),
        QStringLiteral("LOGNAME"),
        QStringLiteral("SHELL"),
        QStringLiteral("LANG"),
        QStringLiteral("LANGUAGE"),
        QStringLiteral("TZ"),
        QStringLiteral("TMPDIR"),
        QStringLiteral("TERM"),
        QStringLiteral("COLORTERM"),
        QStringLiteral("NO_COLOR"),
        QStringLiteral("DISPLAY"),
        QStringLiteral("WAYLAND_DISPLAY"),
        QStringLiteral("XAUTHORITY"),
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
        QStringLiteral("XDG_RUNTIME_DIR"),
        QStringLiteral("XDG_CONFIG_HOME"),
        QStringLiteral("XDG_DATA_HOME"),
        QStringLiteral("XDG_CACHE_HOME"),
        QStringLiteral("XDG_STATE_HOME"),
        QStringLiteral("XDG_CONFIG_DIRS"),
        QStringLiteral("XDG_DATA_DIRS"),
        QStringLiteral("HTTP_PROXY"),
        QStringLiteral("HTTPS_PROXY"),
        QStringLiteral("NO_PROXY"),
        QStringLiteral("ALL_PROXY"),
        QStringLiteral("http_proxy"),
        QStringLiteral("https_proxy"),
        QStringLiteral("no_proxy"),
        QStringLiteral("all_proxy"),
        QStringLiteral("SSL_CERT_FILE"),
        QStringLiteral("SSL_CERT_DIR"),
        QStringLiteral("NODE_EXTRA_CA_CERTS"),
        QStringLiteral("NVM_DIR"),
        QStringLiteral("VOLTA_HOME"),
        QStringLiteral("BUN_INSTALL"),
        QStringLiteral("PNPM_HOME"),
        QStringLiteral("FNM_DIR"),
        // The locale's categories.
        QStringLiteral("LC_ALL"),
        QStringLiteral("LC_CTYPE"),
        QStringLiteral("LC_COLLATE"),
        QStringLiteral("LC_MESSAGES"),
        QStringLiteral("LC_MONETARY"),
        QStringLiteral("LC_NUMERIC"),
        QStringLiteral("LC_TIME"),
        QStringLiteral("LC_ADDRESS"),
        QStringLiteral("LC_IDENTIFICATION"),
        QStringLiteral("LC_MEASUREMENT"),
        QStringLiteral("LC_NAME"),
        QStringLiteral("LC_PAPER"),
        QStringLiteral("LC_TELEPHONE"),
    };
    return names.contains(name);
}

// The variables a client reads for itself, by its file name: its provider's.
QStringList ownPrefixes(const QString& client) {
    for (const ProviderDescriptor* d : ProviderCatalogue::all())
        if (d->clientCommand && client == QLatin1StringView(d->clientCommand)) return d->clientVariablePrefixes;
    return {};
}

} // namespace

QProcessEnvironment childEnvironment(const HostEnvironment& host, const EnvironmentOverrides& environment,
                                     const QString& clientPath,
                                     const std::function<std::optional<QString>(const QString&)>& trusted) {
    const QFileInfo client(clientPath);
    const QStringList own = ownPrefixes(client.fileName());
    QProcessEnvironment env;
    for (const QString& name : host.variables.keys()) {
        const bool owned =
            std::any_of(own.begin(), own.end(), [&](const QString& p) { return name.startsWith(p); });
        if (owned || isSessionVariable(name)) env.insert(name, host.variables.value(name));
    }
    QStringList candidates;
    if (isAbsolutePath(clientPath)) candidates.append(client.absolutePath());
    if (isAbsolutePath(host.home))
        candidates.append(joinPath(host.home, QStringLiteral(".local/bin")));
    for (const char* system : {"/usr/local/bin", "/usr/bin", "/bin"})
        candidates.append(QString::fromLatin1(system));
    // An empty or relative entry would have the child (or the node it starts)
    // look in its current folder.
    candidates += absolutePathEntries(host.variables.value(QStringLiteral("PATH")));
    QStringList path;
    for (const QString& folder : candidates)
        if (const auto real = trusted(folder))
            if (!path.contains(*real)) path.append(*real);
    env.insert(QStringLiteral("PATH"), path.join(QLatin1Char(':')));
    for (auto it = environment.constBegin(); it != environment.constEnd(); ++it) {
        if (it.value())
            env.insert(it.key(), *it.value());
        else
            env.remove(it.key());
    }
    return env;
}

} // namespace meterix
