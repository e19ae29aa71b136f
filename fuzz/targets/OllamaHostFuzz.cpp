// OLLAMA_HOST as the user set it, read into the server's address: whatever the
// text, the address is empty (no usable URL) or an http(s)-style URL with a
// host to connect to (never a listening-only one) and a port within 0..65535.
#include "FuzzTarget.h"

#include "providers/ollama/OllamaAdapter.h"

#include <QUrl>

using namespace meterix;

METERIX_FUZZ_TARGET(ollama_host) {
    const QString value = QString::fromUtf8(fuzz::bytes(data, size));
    const QString address = OllamaAdapter::serverAddress(value);
    if (address.isEmpty()) return;
    const QUrl url(address, QUrl::StrictMode);
    METERIX_FUZZ_CHECK(url.isValid());
    METERIX_FUZZ_CHECK(!url.host().isEmpty());
    METERIX_FUZZ_CHECK(url.port() >= 0 && url.port() <= 65535);
    METERIX_FUZZ_CHECK(url.host() != QLatin1String("0.0.0.0") && url.host() != QLatin1String("::"));
}
