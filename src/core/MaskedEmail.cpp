#include "core/MaskedEmail.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <string_view>

namespace meterix {

namespace {

// One character as a reader sees it, and where it begins in the text.
struct Seen {
    char32_t c;
    qsizetype begin;
};

// Other ways an "@" is written, read as one: in a URL, in HTML, and as CJK
// input methods type it (full width). None holds another, nor an "@".
constexpr std::u16string_view kAtSpellings[] = {u"%40", u"&#64;", u"&#x40;", u"&#X40;", u"\uFF20"};

// When the characters seen so far end with a spelling of an at sign, reads
// that spelling as one "@".
void readAtSpelling(QList<Seen>& seen) {
    for (const std::u16string_view spelling : kAtSpellings) {
        const auto n = qsizetype(spelling.size());
        if (seen.size() < n ||
            !std::equal(spelling.begin(), spelling.end(), seen.cend() - n,
                        [](char16_t expected, const Seen& s) { return s.c == expected; }))
            continue;
        const qsizetype begin = seen[seen.size() - n].begin;
        seen.resize(seen.size() - n);
        seen.append({U'@', begin});
        return;
    }
}

// The text as a reader sees it: format characters (zero-width spaces and
// joiners, directional marks, soft hyphens, byte-order marks) left out, and
// every spelling of an at sign read as "@".
QList<Seen> seenCharacters(QStringView text) {
    QList<Seen> seen;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype next = i + 1;
        if (QChar::isHighSurrogate(c) && next < text.size() && text[next].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[next++]);
        if (QChar::category(c) != QChar::Other_Format) {
            seen.append({c, i});
            readAtSpelling(seen);
        }
        i = next;
    }
    return seen;
}

// What an address's local part may hold: letters and digits of any script and
// the specials mail allows unquoted; "*" also lets a masked address read as one.
// Not "/", which mail allows but no one uses: in the URL of an error text it
// ends the path's segment before an address.
bool isLocalPartCharacter(char32_t c) {
    static const QString specials = QStringLiteral(".!#$%&'*+-=?^_`{|}~");
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c > 0xFFFF ||
           (c < 0x80 && specials.contains(QChar(c)));
}

bool isDomainCharacter(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c > 0xFFFF || c == U'-' || c == U'.';
}

// Where the local parts of the addresses lie in the text: from the first
// character a reader sees to the "@". In a run such as a@b@c.com, each "@"
// begins an address of its own, the text between two of them its local part.
QList<std::pair<qsizetype, qsizetype>> localParts(QStringView text) {
    const QList<Seen> seen = seenCharacters(text);
    QList<std::pair<qsizetype, qsizetype>> parts;
    for (qsizetype at = 0; at < seen.size(); ++at) {
        if (seen[at].c != U'@') continue;
        qsizetype start = at;
        while (start > 0 && isLocalPartCharacter(seen[start - 1].c))
            --start;
        qsizetype end = at + 1;
        while (end < seen.size() && isDomainCharacter(seen[end].c))
            ++end;
        while (end > at + 1 && (seen[end - 1].c == U'.' || seen[end - 1].c == U'-'))
            --end;
        if (start < at && end > at + 1) parts.append({seen[start].begin, seen[at].begin});
    }
    return parts;
}

// A local part as it is shown: its first user-perceived character and "***".
QString maskedLocalPart(QStringView local) {
    return firstCharacter(local.toString()) + QStringLiteral("***");
}

void maskInPlace(std::optional<QString>& text) {
    if (text) *text = maskEmailAddresses(*text);
}

} // namespace

std::optional<QString> maskedEmail(const QString& address) {
    const QList<Seen> seen = seenCharacters(address);
    const auto at = std::find_if(seen.begin(), seen.end(), [](const Seen& s) { return s.c == U'@'; });
    if (at == seen.end() || at == seen.begin()) return std::nullopt;
    const qsizetype start = seen.front().begin; // after any format characters, which stay
    return address.left(start) + maskedLocalPart(QStringView(address).mid(start, at->begin - start)) +
           address.mid(at->begin);
}

QString maskEmailAddresses(const QString& text) {
    const auto parts = localParts(text);
    if (parts.isEmpty()) return text;
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (const auto& [begin, end] : parts) {
        out += QStringView(text).mid(copied, begin - copied);
        out += maskedLocalPart(QStringView(text).mid(begin, end - begin));
        copied = end;
    }
    out += QStringView(text).mid(copied);
    return out;
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
