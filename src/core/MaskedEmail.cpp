#include "core/MaskedEmail.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace meterix {

namespace {

// A stretch of the text: [first, second).
using Span = std::pair<qsizetype, qsizetype>;

// One character as a reader sees it, and where it stands in the text. A
// spelling of an at sign ("%40", "&#64;", "\u0040", ...) is one "@".
struct Seen {
    char32_t c;
    qsizetype begin;
    qsizetype end;
};

// An address found in a text: its local part, and the stretch from the end of
// the character a reader sees before it to the start of the one after it (the
// address and the invisible characters beside it).
struct Address {
    Span localPart;
    Span region;
};

constexpr char16_t kJoiner = u'\u200D';
const QString kStars = QStringLiteral("***");

// The code point that begins at i (a surrogate pair read as one) and where the
// next one begins.
std::pair<char32_t, qsizetype> codePointAt(QStringView text, qsizetype i) {
    const QChar unit = text[i];
    if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return {QChar::surrogateToUcs4(unit, text[i + 1]), i + 2};
    return {unit.unicode(), i + 1};
}

bool isFormat(char32_t c) {
    return QChar::category(c) == QChar::Other_Format;
}

// Marks that reorder text on screen: beside them a local part written
// backwards reads forwards next to the domain ("\u202Emoc.elpmaxe@mik.anim").
bool isBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// A character as it is read: a full-width, small or vertical form, a one dot
// leader and the like as the one character they stand for.
char32_t folded(char32_t c) {
    if (c < 0x80) return c;
    const QList<uint> decomposed = QChar::decomposition(c).toUcs4();
    return decomposed.size() == 1 ? decomposed.front() : c;
}

char32_t lowerAscii(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
}

// Where a spelling of an at sign that begins at `from` ends, or `from` when
// none begins there: "@" in any width, URL-encoded once or more ("%40",
// "%2540"), an HTML reference escaped once or more ("&#64;", "&#x040;",
// "&commat;", "&amp;#64;"), or an escape of JSON, JavaScript, C or Python
// ("\u0040", "\x40", "\u{40}"). Letters match in either case; a numeric
// reference ends where its "@" does, whatever follows, as a reader takes it.
qsizetype atSpellingEnd(const QList<Seen>& seen, qsizetype from) {
    qsizetype i = from + 1;
    const auto take = [&](std::u32string_view word) {
        if (seen.size() - i < qsizetype(word.size())) return false;
        for (size_t k = 0; k < word.size(); ++k)
            if (lowerAscii(seen[i + qsizetype(k)].c) != word[k]) return false;
        i += qsizetype(word.size());
        return true;
    };
    const auto takeAll = [&](std::u32string_view word) {
        while (take(word)) {}
    };
    const auto endIf = [&](bool spelled) { return spelled ? i : from; };
    if (folded(seen[from].c) == U'@') return i;
    switch (seen[from].c) {
    case U'%':
        takeAll(U"25");
        return endIf(take(U"40") || take(U"u0040"));
    case U'&': {
        takeAll(U"amp;");
        if (take(U"commat;")) return i;
        if (!take(U"#")) return from;
        const bool hex = take(U"x");
        takeAll(U"0");
        if (!take(hex ? U"40" : U"64")) return from;
        take(U";");
        return i;
    }
    case U'\\':
        takeAll(U"\\");
        if (take(U"u{") || take(U"x{")) {
            takeAll(U"0");
            return endIf(take(U"40}"));
        }
        return endIf(take(U"u00000040") || take(U"u0040") || take(U"x40"));
    default:
        return from;
    }
}

// The text as a reader sees it: format characters (zero-width spaces and
// joiners, directional marks and overrides, soft hyphens, byte-order marks)
// left out, and every spelling of an at sign read as one "@".
QList<Seen> seenCharacters(QStringView text) {
    QList<Seen> visible;
    for (qsizetype i = 0; i < text.size();) {
        const auto [c, next] = codePointAt(text, i);
        if (!isFormat(c)) visible.append({c, i, next});
        i = next;
    }
    QList<Seen> seen;
    seen.reserve(visible.size());
    for (qsizetype i = 0; i < visible.size();) {
        const qsizetype end = atSpellingEnd(visible, i);
        if (end == i) {
            seen.append(visible[i++]);
            continue;
        }
        seen.append({U'@', visible[i].begin, visible[end - 1].end});
        i = end;
    }
    return seen;
}

// What ends a local part as a reader takes it: white space, brackets and
// quotation marks, the punctuation that separates an address from its
// neighbours in mail headers, lists, sentences and URLs ("/" ends the segment of
// a path), and an at sign. Anything else belongs to it, a one dot leader or a
// middle dot included.
bool endsLocalPart(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Surrogate:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
        return true;
    default:
        break;
    }
    static const std::u32string_view separators = U"@\"(),:;<>[\\]/\u3001\u3002";
    return separators.find(folded(c)) != std::u32string_view::npos;
}

bool isDomainCharacter(char32_t c) {
    const char32_t f = folded(c);
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c > 0xFFFF || f == U'-' || f == U'.';
}

// Every address in what a reader sees: a local part of one character or more,
// an "@" and a domain (a full stop or hyphen after it belongs to the sentence).
// In a run such as a@b@c.com each "@" begins an address of its own, the text
// between two of them its local part.
QList<Address> addressesIn(const QList<Seen>& seen, qsizetype textSize) {
    QList<Address> found;
    for (qsizetype at = 0; at < seen.size(); ++at) {
        if (seen[at].c != U'@') continue;
        qsizetype start = at;
        while (start > 0 && !endsLocalPart(seen[start - 1].c))
            --start;
        qsizetype end = at + 1;
        while (end < seen.size() && isDomainCharacter(seen[end].c))
            ++end;
        while (end > at + 1 && (folded(seen[end - 1].c) == U'.' || folded(seen[end - 1].c) == U'-'))
            --end;
        if (start == at || end == at + 1) continue;
        const qsizetype regionBegin = start > 0 ? seen[start - 1].end : 0;
        const qsizetype regionEnd = end < seen.size() ? seen[end].begin : textSize;
        found.append({{seen[start].begin, seen[at].begin}, {regionBegin, regionEnd}});
    }
    return found;
}

// A local part as it is shown: its first user-perceived character and "***".
// Of its format characters only the joiners inside that character stay (they
// make an emoji sequence one picture). The character is taken as it reads
// beside the asterisks, so that masking the masked form finds it again.
QString maskedLocalPart(QStringView local) {
    QString visible;
    for (qsizetype i = 0; i < local.size();) {
        const auto [c, next] = codePointAt(local, i);
        if (!isFormat(c) || c == kJoiner) visible += local.sliced(i, next - i);
        i = next;
    }
    QString first = firstCharacter(visible + kStars);
    if (first.endsWith(kJoiner)) {
        while (first.endsWith(kJoiner))
            first.chop(1);
        first = firstCharacter(first + kStars);
    }
    return first + kStars;
}

// The text with the given local parts (in order, none overlapping) masked, the
// format characters inside the given regions left out, and every bidi control
// left out wherever it stands.
QString rendered(QStringView text, const QList<Span>& localParts, const QList<Span>& regions) {
    QString out;
    out.reserve(text.size());
    auto part = localParts.cbegin();
    auto region = regions.cbegin();
    qsizetype regionEnd = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (part != localParts.cend() && part->first == i) {
            out += maskedLocalPart(text.sliced(i, part->second - i));
            i = part->second;
            ++part;
            continue;
        }
        for (; region != regions.cend() && region->first <= i; ++region)
            regionEnd = std::max(regionEnd, region->second);
        const auto [c, next] = codePointAt(text, i);
        if (!isBidiControl(c) && !(i < regionEnd && isFormat(c))) out += text.sliced(i, next - i);
        i = next;
    }
    return out;
}

void maskInPlace(std::optional<QString>& text) {
    if (text) *text = maskEmailAddresses(*text);
}

} // namespace

std::optional<QString> maskedEmail(const QString& address) {
    const QList<Seen> seen = seenCharacters(address);
    const auto at = std::find_if(seen.begin(), seen.end(), [](const Seen& s) { return s.c == U'@'; });
    if (at == seen.begin() || at == seen.end()) {
        QString shown = maskEmailAddresses(address);
        if (shown == address) return std::nullopt;
        return shown;
    }
    // The whole value is the address: everything before its first "@" is the
    // local part, and addresses after that "@" are masked as in any text.
    QList<Span> localParts{{seen.front().begin, at->begin}};
    for (const Address& a : addressesIn(seen, address.size()))
        if (a.localPart.first > at->begin) localParts.append(a.localPart);
    return rendered(address, localParts, {{0, address.size()}});
}

QString maskEmailAddresses(const QString& text) {
    const QList<Address> found = addressesIn(seenCharacters(text), text.size());
    QList<Span> localParts;
    QList<Span> regions;
    for (const Address& a : found) {
        localParts.append(a.localPart);
        regions.append(a.region);
    }
    return rendered(text, localParts, regions);
}

UsageSnapshot withEmailAddressesMasked(UsageSnapshot s) {
    maskInPlace(s.accountEmail);
    maskInPlace(s.planName);
    maskInPlace(s.hourlyQuotaName);
    maskInPlace(s.fetchError);
    for (ModelQuotaItem& item : s.modelQuotas) {
        item.name = maskEmailAddresses(item.name);
        item.quotaType = maskEmailAddresses(item.quotaType);
        maskInPlace(item.paceText);
    }
    return s;
}

} // namespace meterix
