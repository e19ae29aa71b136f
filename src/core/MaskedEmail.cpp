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

// Counts every look at a character of the text, so that tests can hold the
// work to a few looks per character whatever the text.
struct Work {
    qint64 visits = 0;
};

// Where a spelling of an at sign that begins at `from` ends (`end`, `from` when
// none begins there), and before which index no spelling begins (`noneBefore`,
// after `from`): "@" in any width, URL-encoded once or more ("%40", "%2540"),
// an HTML reference escaped once or more ("&#64;", "&#x040;", "&commat;",
// "&amp;#64;"), or an escape of JSON, JavaScript, C or Python ("\u0040",
// "\x40", "\u{40}") after any run of backslashes. Letters match in either
// case; a numeric reference ends where its "@" does, whatever follows, as a
// reader takes it. A run of backslashes that spells none spells none from any
// of its backslashes either (each reads the same rest): it is passed over
// whole, so that no run is read again from each of its characters.
struct Spelling {
    qsizetype end;
    qsizetype noneBefore;
};

Spelling atSpelling(const QList<Seen>& seen, qsizetype from, Work& work) {
    qsizetype i = from + 1;
    const auto take = [&](std::u32string_view word) {
        if (seen.size() - i < qsizetype(word.size())) return false;
        for (size_t k = 0; k < word.size(); ++k) {
            ++work.visits;
            if (lowerAscii(seen[i + qsizetype(k)].c) != word[k]) return false;
        }
        i += qsizetype(word.size());
        return true;
    };
    const auto takeAll = [&](std::u32string_view word) {
        while (take(word)) {}
    };
    const auto endIf = [&](bool spelled) { return Spelling{spelled ? i : from, from + 1}; };
    ++work.visits;
    if (folded(seen[from].c) == U'@') return {i, i};
    switch (seen[from].c) {
    case U'%':
        takeAll(U"25");
        return endIf(take(U"40") || take(U"u0040"));
    case U'&': {
        takeAll(U"amp;");
        if (take(U"commat;")) return {i, i};
        if (!take(U"#")) return {from, from + 1};
        const bool hex = take(U"x");
        takeAll(U"0");
        if (!take(hex ? U"40" : U"64")) return {from, from + 1};
        take(U";");
        return {i, i};
    }
    case U'\\': {
        takeAll(U"\\");
        const qsizetype runEnd = i;
        bool spelled = false;
        if (take(U"u{") || take(U"x{")) {
            takeAll(U"0");
            spelled = take(U"40}");
        } else {
            spelled = take(U"u00000040") || take(U"u0040") || take(U"x40");
        }
        return spelled ? Spelling{i, i} : Spelling{from, runEnd};
    }
    default:
        return {from, from + 1};
    }
}

// The text as a reader sees it: format characters (zero-width spaces and
// joiners, directional marks and overrides, soft hyphens, byte-order marks)
// left out, and every spelling of an at sign read as one "@".
QList<Seen> seenCharacters(QStringView text, Work& work) {
    QList<Seen> visible;
    visible.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        ++work.visits;
        const auto [c, next] = codePointAt(text, i);
        if (!isFormat(c)) visible.append({c, i, next});
        i = next;
    }
    QList<Seen> seen;
    seen.reserve(visible.size());
    for (qsizetype i = 0; i < visible.size();) {
        const Spelling s = atSpelling(visible, i, work);
        if (s.end > i) {
            seen.append({U'@', visible[i].begin, visible[s.end - 1].end});
            i = s.end;
            continue;
        }
        for (; i < s.noneBefore; ++i)
            seen.append(visible[i]);
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

bool isLineBreak(char32_t c) {
    return c == U'\n' || c == U'\r' || c == 0x2028 || c == 0x2029;
}

// Whether a domain is one: the name of a place on the network, with a full stop
// in it and a last label that begins with a letter (top-level names do), not a
// version ("3.12"), a date ("20241022") or a word ("Work plan").
enum class Domains { named, any };

// The longest label a name may have, and the longest quoted local part.
constexpr qsizetype kMaxLabel = 63;
constexpr qsizetype kMaxQuotedLocalPart = 64;

// One "@" with a local part and a domain behind it, found by AddressScan.
struct Candidate {
    qsizetype at;
    Address address;
    bool named;        // its domain is one
    qsizetype chainTo; // the "@" its domain runs into, or -1
};

// Every address in what a reader sees: a local part of one character or more,
// an "@" and a domain (a full stop or hyphen after it belongs to the sentence).
// In a run such as a@b@c.com each "@" begins an address of its own, the text
// between two of them its local part; the run is one when its last domain is.
// An address split by a line break is found whole: a break may stand before or
// after its "@", or inside a domain that is not yet one where the break
// stands. A local part in quotation marks ("mina.kim"@example.com) is one,
// blanks and all. Every character is looked at a bounded number of times.
class AddressScan {
public:
    AddressScan(const QList<Seen>& seen, Work& work) : seen_(seen), work_(work) {}

    QList<Address> addresses(qsizetype textSize, Domains rule) {
        QList<Candidate> found;
        for (qsizetype at = 0; at < n(); ++at) {
            if (c(at) != U'@') continue;
            if (auto candidate = at == 0 ? std::nullopt : candidateAt(at, textSize)) found.append(*candidate);
        }
        for (qsizetype k = found.size() - 1; k >= 0; --k)
            if (!found[k].named && found[k].chainTo >= 0 && k + 1 < found.size() && found[k + 1].at == found[k].chainTo)
                found[k].named = found[k + 1].named;
        QList<Address> addresses;
        for (const Candidate& c : found)
            if (c.named || rule == Domains::any) addresses.append(c.address);
        return addresses;
    }

private:
    qsizetype n() const { return seen_.size(); }
    char32_t c(qsizetype i) {
        ++work_.visits;
        return seen_[i].c;
    }
    // The length of a line break ending just before `end` (CR LF is one), or 0.
    qsizetype breakBefore(qsizetype end) {
        if (end <= 0 || !isLineBreak(c(end - 1))) return 0;
        return end > 1 && c(end - 1) == U'\n' && c(end - 2) == U'\r' ? 2 : 1;
    }
    qsizetype breakAt(qsizetype from) {
        if (from >= n() || !isLineBreak(c(from))) return 0;
        return from + 1 < n() && c(from) == U'\r' && c(from + 1) == U'\n' ? 2 : 1;
    }

    // Where a local part ending at `end` begins; `end` when there is none.
    qsizetype localStart(qsizetype end) {
        if (const auto quoted = quotedStart(end)) return *quoted;
        qsizetype start = end;
        while (start > 0 && !endsLocalPart(c(start - 1)))
            --start;
        return start;
    }
    // The opening quotation mark of a quoted local part ending at `end`: no
    // line break or "@" inside, a quotation mark after a backslash is part of
    // it, something between the marks.
    std::optional<qsizetype> quotedStart(qsizetype end) {
        if (end < 3 || folded(c(end - 1)) != U'"') return std::nullopt;
        for (qsizetype i = end - 2; i >= 0 && end - i <= kMaxQuotedLocalPart; --i) {
            const char32_t ch = c(i);
            if (ch == U'@' || isLineBreak(ch)) return std::nullopt;
            if (folded(ch) == U'"' && !(i > 0 && c(i - 1) == U'\\')) {
                if (i == end - 2) return std::nullopt;
                return i;
            }
        }
        return std::nullopt;
    }

    // Whether the domain [from, end) is one (see Domains): its last full stop
    // stands within a label's length of its end, before a letter.
    bool isNamed(qsizetype from, qsizetype end) {
        for (qsizetype i = end - 1; i > from && end - i <= kMaxLabel + 1; --i) {
            if (folded(c(i)) != U'.') continue;
            qsizetype label = i + 1;
            while (label < end && isLineBreak(c(label)))
                ++label;
            return label < end && QChar::isLetter(folded(c(label)));
        }
        return false;
    }

    std::optional<Candidate> candidateAt(qsizetype at, qsizetype textSize) {
        const qsizetype localEnd = at - breakBefore(at);
        const qsizetype start = localStart(localEnd);
        if (start == localEnd) return std::nullopt;
        const qsizetype from = at + 1 + breakAt(at + 1);
        qsizetype scanned = from;
        qsizetype end = from;
        bool named = false;
        for (;;) {
            while (scanned < n() && isDomainCharacter(c(scanned)))
                ++scanned;
            end = scanned;
            while (end > from && (folded(c(end - 1)) == U'.' || folded(c(end - 1)) == U'-'))
                --end;
            named = end > from && isNamed(from, end);
            // A domain cut by a line break goes on on the next line.
            const qsizetype gap = named ? 0 : breakAt(scanned);
            if (gap == 0 || scanned + gap >= n() || !isDomainCharacter(c(scanned + gap))) break;
            scanned += gap;
        }
        if (end == from) return std::nullopt;
        const qsizetype regionBegin = start > 0 ? seen_[start - 1].end : 0;
        const qsizetype regionEnd = end < n() ? seen_[end].begin : textSize;
        const qsizetype chainTo = end == scanned && end < n() && c(end) == U'@' ? end : -1;
        return Candidate{at, {{seen_[start].begin, seen_[localEnd - 1].end}, {regionBegin, regionEnd}}, named, chainTo};
    }

    const QList<Seen>& seen_;
    Work& work_;
};

// A local part as it is shown: its first user-perceived character and "***";
// in quotation marks, the first character inside them, "***" and the marks
// ("\"m***\""). Of its format characters only the joiners inside that
// character stay (they make an emoji sequence one picture). The character is
// taken as it reads beside the asterisks, so that masking the masked form
// finds it again.
QString maskedLocalPart(QStringView local, Work& work) {
    QString visible;
    for (qsizetype i = 0; i < local.size();) {
        ++work.visits;
        const auto [c, next] = codePointAt(local, i);
        if (!isFormat(c) || c == kJoiner) visible += local.sliced(i, next - i);
        i = next;
    }
    const auto isQuote = [](QChar q) { return folded(q.unicode()) == U'"'; };
    QString open, close;
    if (visible.size() > 2 && isQuote(visible.front()) && isQuote(visible.back())) {
        open = visible.front();
        close = visible.back();
        visible = visible.sliced(1, visible.size() - 2);
    }
    QString first = firstCharacter(visible + kStars);
    if (first.endsWith(kJoiner)) {
        while (first.endsWith(kJoiner))
            first.chop(1);
        first = firstCharacter(first + kStars);
    }
    return open + first + kStars + close;
}

// Overrides can reorder the characters of an address on screen (one written
// backwards reads forwards: "\u202Emoc.elpmaxe@mik.anim"): the left-to-right
// and right-to-left overrides that stand before an address in its paragraph
// are left out. Marks, embeddings and isolates keep the order of an address's
// letters and stay where they are outside addresses.
bool isOverride(char16_t c) {
    return c == u'\u202D' || c == u'\u202E';
}

bool endsParagraph(char16_t c) {
    return c == u'\n' || c == u'\r' || c == u'\u2029' || c == u'\u0085' || (c >= u'\u001C' && c <= u'\u001E');
}

// The overrides to leave out, in text order: a pass from the end that knows
// whether an address begins further on in the paragraph.
QList<qsizetype> overridesBeforeAddresses(QStringView text, const QList<Span>& regions, Work& work) {
    QList<qsizetype> dropped;
    auto region = regions.crbegin();
    bool addressFollows = false;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        ++work.visits;
        for (; region != regions.crend() && region->first > i; ++region)
            addressFollows = true;
        const char16_t c = text[i].unicode();
        if (endsParagraph(c)) addressFollows = false;
        else if (isOverride(c) && addressFollows) dropped.append(i);
    }
    std::reverse(dropped.begin(), dropped.end());
    return dropped;
}

// The text with the given local parts (in order, none overlapping) masked, the
// format characters inside the given regions left out, and the overrides that
// could reorder an address left out.
QString rendered(QStringView text, const QList<Span>& localParts, const QList<Span>& regions, Work& work) {
    const QList<qsizetype> overrides = overridesBeforeAddresses(text, regions, work);
    QString out;
    out.reserve(text.size());
    auto part = localParts.cbegin();
    auto region = regions.cbegin();
    auto dropped = overrides.cbegin();
    qsizetype regionEnd = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (part != localParts.cend() && part->first == i) {
            out += maskedLocalPart(text.sliced(i, part->second - i), work);
            i = part->second;
            ++part;
            continue;
        }
        for (; region != regions.cend() && region->first <= i; ++region)
            regionEnd = std::max(regionEnd, region->second);
        for (; dropped != overrides.cend() && *dropped < i; ++dropped) {}
        ++work.visits;
        const auto [c, next] = codePointAt(text, i);
        const bool droppedHere = dropped != overrides.cend() && *dropped == i;
        if (!droppedHere && !(i < regionEnd && isFormat(c))) out += text.sliced(i, next - i);
        i = next;
    }
    return out;
}

void maskInPlace(std::optional<QString>& text) {
    if (text) *text = maskEmailAddresses(*text);
}

// A vendor's name or figure in a label may hold an address.
void maskInPlace(QuotaLabel& label) {
    for (QString* text : {&label.subject, &label.amount, &label.total, &label.currency})
        *text = maskEmailAddresses(*text);
}

void maskInPlace(std::optional<QuotaLabel>& label) {
    if (label) maskInPlace(*label);
}

} // namespace

std::optional<QString> maskedEmail(const QString& address) {
    Work work;
    const QList<Seen> seen = seenCharacters(address, work);
    const auto at = std::find_if(seen.begin(), seen.end(), [](const Seen& s) { return s.c == U'@'; });
    if (at == seen.begin() || at == seen.end()) {
        QString shown = maskEmailAddresses(address);
        if (shown == address) return std::nullopt;
        return shown;
    }
    // The whole value is the address: everything before its first "@" is the
    // local part, and every "@" after it begins an address of its own, whatever
    // its domain.
    QList<Span> localParts{{seen.front().begin, at->begin}};
    for (const Address& a : AddressScan(seen, work).addresses(address.size(), Domains::any))
        if (a.localPart.first > at->begin) localParts.append(a.localPart);
    return rendered(address, localParts, {{0, address.size()}}, work);
}

MaskingWork maskEmailAddressesCounted(const QString& text) {
    Work work;
    const QList<Address> found = AddressScan(seenCharacters(text, work), work).addresses(text.size(), Domains::named);
    QList<Span> localParts;
    QList<Span> regions;
    for (const Address& a : found) {
        localParts.append(a.localPart);
        regions.append(a.region);
    }
    QString shown = rendered(text, localParts, regions, work);
    return {std::move(shown), work.visits};
}

QString maskEmailAddresses(const QString& text) {
    return maskEmailAddressesCounted(text).text;
}

UsageSnapshot withEmailAddressesMasked(UsageSnapshot s) {
    // The account's address is an address, whatever its domain.
    if (s.accountEmail)
        if (auto masked = maskedEmail(*s.accountEmail)) s.accountEmail = *masked;
    maskInPlace(s.planName);
    maskInPlace(s.headlineQuotaName);
    maskInPlace(s.fetchError);
    for (ModelQuotaItem& item : s.modelQuotas) {
        maskInPlace(item.name);
        maskInPlace(item.quotaType);
        maskInPlace(item.paceText);
    }
    return s;
}

} // namespace meterix
