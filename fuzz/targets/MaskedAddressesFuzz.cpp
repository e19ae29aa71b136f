// Any text the app may show (an organisation, a plan, an error) with its
// addresses masked: masking again changes nothing, every "@" stays, a text
// without one (in any spelling) is left as it is, and in what a reader sees of
// the result (format characters unseen, the other spellings of "@" read as
// one, look-alikes as what they stand for) no local part of two characters or
// more stands before an "@" and a named domain, and no override stands before
// an address in its paragraph.
#include "FuzzTarget.h"

#include "core/MaskedEmail.h"
#include "core/TextUtil.h"

#include <QRegularExpression>

using namespace meterix;

namespace {

// The text as a reader sees it. A zero-width joiner between two characters
// beyond ASCII stays, as it may join an emoji into one picture; every other
// format character is unseen. A character that stands for one other (a
// full-width form, a one dot leader) reads as that one.
QString asSeen(QString text) {
    static const QRegularExpression invisible(QStringLiteral("[^\\P{Cf}\\x{200D}]"));
    static const QRegularExpression asciiJoiner(
        QStringLiteral("(?<=[\\x00-\\x7F])\\x{200D}+|\\x{200D}+(?=[\\x00-\\x7F])"));
    static const QRegularExpression at(QStringLiteral(
        "(?i)@|\\x{FF20}|\\x{FE6B}|%(?:25)*(?:40|u0040)|&(?:amp;)*(?:commat;|#0*64;?|#x0*40;?)"
        "|\\\\+(?:u00000040|u0040|x40|[ux]\\{0*40\\})"));
    text.remove(invisible);
    text.remove(asciiJoiner);
    text.replace(at, QStringLiteral("@"));
    QString folded;
    for (const char32_t c : text.toUcs4()) {
        const QList<uint> one = c < 0x80 ? QList<uint>{} : QChar::decomposition(c).toUcs4();
        folded += QString::fromUcs4(one.size() == 1 ? reinterpret_cast<const char32_t*>(one.constData()) : &c, 1);
    }
    return folded;
}

// A local part as a reader takes one (up to white space, a bracket, a quotation
// mark or a separator), an "@" and the run of characters a domain is made of.
const QRegularExpression kAddress(QStringLiteral(
    "([^\\p{Z}\\p{Cc}\\p{Cs}\\p{Ps}\\p{Pe}\\p{Pi}\\p{Pf}@\"(),:;<>\\[\\\\\\]/\\x{3001}\\x{3002}]*)@"
    "([\\p{L}\\p{N}\\p{M}\\x{10000}-\\x{10FFFF}.-]*)"));

// A domain that names a place: a full stop, and after the last one (a label's
// length at most from the end) a letter; a full stop or hyphen at its end
// belongs to the sentence.
bool isNamed(QString domain) {
    while (domain.endsWith(QLatin1Char('.')) || domain.endsWith(QLatin1Char('-')))
        domain.chop(1);
    const qsizetype dot = domain.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && domain.size() - dot <= 64 && dot + 1 < domain.size() && domain.at(dot + 1).isLetter();
}

bool holdsAddress(const QString& seen) {
    for (auto it = kAddress.globalMatch(seen); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty() && isNamed(m.captured(2))) return true;
    }
    return false;
}

} // namespace

METERIX_FUZZ_TARGET(masked_addresses) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QString shown = maskEmailAddresses(text);
    METERIX_FUZZ_CHECK(maskEmailAddresses(shown) == shown);
    METERIX_FUZZ_CHECK(shown.count(QLatin1Char('@')) == text.count(QLatin1Char('@')));
    if (!asSeen(text).contains(QLatin1Char('@'))) {
        METERIX_FUZZ_CHECK(shown == text);
    }
    for (auto it = kAddress.globalMatch(asSeen(shown)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!isNamed(m.captured(2))) continue;
        QString local = m.captured(1);
        if (local.endsWith(QStringLiteral("***"))) local.chop(3);
        METERIX_FUZZ_CHECK(characterCount(local) <= 1);
    }
    // What follows an override that is left, up to the paragraph's end, holds
    // no address it could reorder.
    static const QRegularExpression override(QStringLiteral("[\\x{202D}\\x{202E}]"));
    static const QRegularExpression paragraphEnd(QStringLiteral("[\\n\\r\\x{2029}\\x{0085}\\x{001C}-\\x{001E}]"));
    for (qsizetype at = shown.indexOf(override); at >= 0; at = shown.indexOf(override, at + 1)) {
        const qsizetype end = shown.indexOf(paragraphEnd, at);
        METERIX_FUZZ_CHECK(!holdsAddress(asSeen(shown.mid(at + 1, end < 0 ? -1 : end - at - 1))));
    }
}
