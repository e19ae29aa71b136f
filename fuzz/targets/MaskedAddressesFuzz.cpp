// Any text the app may show (an organisation, a plan, an error) with its
// addresses masked: masking again changes nothing, every "@" stays, and a text
// without one is left as it is.
#include "FuzzTarget.h"

#include "core/MaskedEmail.h"

using namespace meterix;

METERIX_FUZZ_TARGET(masked_addresses) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QString shown = maskEmailAddresses(text);
    METERIX_FUZZ_CHECK(maskEmailAddresses(shown) == shown);
    METERIX_FUZZ_CHECK(shown.count(QLatin1Char('@')) == text.count(QLatin1Char('@')));
    if (!text.contains(QLatin1Char('@'))) {
        METERIX_FUZZ_CHECK(shown == text);
    }
}
