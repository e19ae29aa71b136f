// Any text the app may show (an organisation, a plan, an error) with its
// addresses masked: masking again changes nothing, every "@" stays, a text
// without one (in any spelling) is left as it is, and no whole address of the text survives in
// what a reader sees of the result (format characters unseen, the other
// spellings of "@" read as one).
#include "FuzzTarget.h"

#include "core/MaskedEmail.h"

#include <QRegularExpression>

using namespace meterix;

namespace {

QString asSeen(QString text) {
    static const QRegularExpression invisible(QStringLiteral("\\p{Cf}"));
    static const QRegularExpression at(QStringLiteral("%40|&#64;|&#[xX]40;|\\x{FF20}"));
    text.remove(invisible);
    return text.replace(at, QStringLiteral("@"));
}

} // namespace

METERIX_FUZZ_TARGET(masked_addresses) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QString shown = maskEmailAddresses(text);
    METERIX_FUZZ_CHECK(maskEmailAddresses(shown) == shown);
    METERIX_FUZZ_CHECK(shown.count(QLatin1Char('@')) == text.count(QLatin1Char('@')));
    const QString seenText = asSeen(text);
    if (!seenText.contains(QLatin1Char('@'))) {
        METERIX_FUZZ_CHECK(shown == text);
    }
    // An address in plain ASCII: a local part of two characters or more, an
    // "@" and a domain that begins with a letter or digit.
    static const QRegularExpression address(QStringLiteral("[A-Za-z0-9._%+-]{2,}@[A-Za-z0-9]"));
    const QString seenShown = asSeen(shown);
    for (auto it = address.globalMatch(seenText); it.hasNext();) {
        const QString whole = it.next().captured(0);
        METERIX_FUZZ_CHECK(!seenShown.contains(whole));
    }
}
