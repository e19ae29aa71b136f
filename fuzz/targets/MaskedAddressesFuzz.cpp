// Any text the app may show (an organisation, a plan, an error) with its
// addresses masked: masking again changes nothing, no bidi control is left,
// every "@" stays, a text without one (in any spelling) loses only its bidi
// controls, and in what a reader sees of the result (format characters unseen,
// the other spellings of "@" read as one) no local part of two characters or
// more stands before an "@" and a domain.
#include "FuzzTarget.h"

#include "core/MaskedEmail.h"
#include "core/TextUtil.h"

#include <QRegularExpression>

using namespace meterix;

namespace {

const QRegularExpression
    kBidiControl(QStringLiteral("[\\x{061C}\\x{200E}\\x{200F}\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}]"));

// The text as a reader sees it. A zero-width joiner between two characters
// beyond ASCII stays, as it may join an emoji into one picture; every other
// format character is unseen.
QString asSeen(QString text) {
    static const QRegularExpression invisible(QStringLiteral("[^\\P{Cf}\\x{200D}]"));
    static const QRegularExpression asciiJoiner(
        QStringLiteral("(?<=[\\x00-\\x7F])\\x{200D}+|\\x{200D}+(?=[\\x00-\\x7F])"));
    static const QRegularExpression at(QStringLiteral(
        "(?i)@|\\x{FF20}|\\x{FE6B}|%(?:25)*(?:40|u0040)|&(?:amp;)*(?:commat;|#0*64;?|#x0*40;?)"
        "|\\\\+(?:u00000040|u0040|x40|[ux]\\{0*40\\})"));
    text.remove(invisible);
    text.remove(asciiJoiner);
    return text.replace(at, QStringLiteral("@"));
}

} // namespace

METERIX_FUZZ_TARGET(masked_addresses) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QString shown = maskEmailAddresses(text);
    METERIX_FUZZ_CHECK(maskEmailAddresses(shown) == shown);
    METERIX_FUZZ_CHECK(!shown.contains(kBidiControl));
    METERIX_FUZZ_CHECK(shown.count(QLatin1Char('@')) == text.count(QLatin1Char('@')));
    if (!asSeen(text).contains(QLatin1Char('@'))) {
        METERIX_FUZZ_CHECK(shown == QString(text).remove(kBidiControl));
    }
    // Before every "@" that a letter or digit follows: what a reader takes for
    // its local part (up to white space, a bracket, a quotation mark or a
    // separator, in any width) is at most one character, "***" aside.
    static const QRegularExpression localPart(QStringLiteral(
        "([^\\p{Z}\\p{Cc}\\p{Cs}\\p{Ps}\\p{Pe}\\p{Pi}\\p{Pf}@\"(),:;<>\\[\\\\\\]/\\x{3001}\\x{3002}\\x{037E}"
        "\\x{FE10}-\\x{FE14}\\x{FE50}\\x{FE51}\\x{FE54}\\x{FE55}\\x{FE64}\\x{FE65}\\x{FE68}\\x{FF02}\\x{FF0C}"
        "\\x{FF0F}\\x{FF1A}-\\x{FF1C}\\x{FF1E}\\x{FF3B}-\\x{FF3D}\\x{FF61}\\x{FF64}]*)@(?=[\\p{L}\\p{N}])"));
    for (auto it = localPart.globalMatch(asSeen(shown)); it.hasNext();) {
        QString local = it.next().captured(1);
        if (local.endsWith(QStringLiteral("***"))) local.chop(3);
        METERIX_FUZZ_CHECK(characterCount(local) <= 1);
    }
}
