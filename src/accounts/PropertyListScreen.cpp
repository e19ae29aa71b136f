#include "accounts/PropertyListScreen.h"

#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <cstring>

namespace meterix {

namespace {

constexpr QByteArrayView kBinaryMagic("bplist00");
constexpr int64_t kTrailerBytes = 32;

// The mark a NUL becomes: 0xFF never occurs in UTF-8, and U+FFFF is a
// noncharacter libplist writes as EF BF BF.
constexpr char kMaskByte = '\xff';
constexpr QByteArrayView kMaskedUtf16Unit("\xef\xbf\xbf");

// A binary list: its bytes, its trailer, and reads that never leave the buffer.
class BinaryList {
  public:
    explicit BinaryList(QByteArray& bytes)
        : data_(reinterpret_cast<unsigned char*>(bytes.data())), size_(bytes.size()) {}

    bool readTrailer() {
        if (size_ < static_cast<int64_t>(kBinaryMagic.size()) + kTrailerBytes) return false;
        const int64_t t = size_ - kTrailerBytes;
        offsetSize_ = data_[t + 6];
        refSize_ = data_[t + 7];
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
        const uint64_t count = bigEndian(t + 8, 8);
        const uint64_t top = bigEndian(t + 16, 8);
        const uint64_t table = bigEndian(t + 24, 8);
        // Every object needs a byte and an offset entry: larger counts are no list.
        if (count == 0 || count > static_cast<uint64_t>(size_) || top >= count) return false;
        if (table < static_cast<uint64_t>(kBinaryMagic.size()) || table > static_cast<uint64_t>(t))
            return false;
        if (count * static_cast<uint64_t>(offsetSize_) > static_cast<uint64_t>(t) - table) return false;
        count_ = count;
        top_ = top;
        table_ = static_cast<int64_t>(table);
        return true;
    }

    // Walks the tree libplist would build from the top object.
    bool walk() {
        struct Pending {
            uint64_t object;
            int depth;
        };
        QList<Pending> stack{{top_, 0}};
        int64_t nodes = 0;
        while (!stack.isEmpty()) {
            const Pending p = stack.takeLast();
            if (p.depth > PropertyListScreen::kMaxDepth || ++nodes > PropertyListScreen::kMaxNodes)
                return false;
            const auto offset = objectOffset(p.object);
            if (!offset) return false;
            const unsigned char marker = data_[*offset];
            const int type = marker >> 4;
            const int low = marker & 0x0f;
            switch (type) {
            case 0x0: // null, booleans, fill
                break;
            case 0x1: // integer of 2^low bytes
            case 0x2: // real
                if (low > 4 || !within(*offset + 1, int64_t(1) << low)) return false;
                break;
            case 0x3: // date
                if (!within(*offset + 1, 8)) return false;
                break;
            case 0x8: // uid of low+1 bytes
                if (!within(*offset + 1, low + 1)) return false;
                break;
            case 0x4:   // data
            case 0x5:   // ASCII string
            case 0x6: { // UTF-16 string
                const auto body = counted(*offset, low);
                if (!body) return false;
                const int64_t unit = type == 0x6 ? 2 : 1;
                if (body->count > (size_ - body->start) / unit) return false;
                if (type == 0x5) maskAscii(body->start, body->count);
                if (type == 0x6) maskUtf16(body->start, body->count);
                break;
            }
            case 0xa:   // array
            case 0xc:   // set
            case 0xd: { // dictionary: keys, then values
                const auto body = counted(*offset, low);
                if (!body) return false;
                const int64_t refs = type == 0xd ? 2 : 1;
                if (body->count > (size_ - body->start) / (refs * refSize_)) return false;
                const int64_t n = body->count * refs;
                if (nodes + stack.size() + n > PropertyListScreen::kMaxNodes) return false;
                for (int64_t i = 0; i < n; ++i) {
                    const uint64_t child = bigEndian(body->start + i * refSize_, refSize_);
                    if (child >= count_) return false;
                    stack.append(Pending{child, p.depth + 1});
                }
                break;
            }
            default:
                return false;
            }
        }
        return true;
    }

  private:
    struct Body {
        int64_t start; // first byte after the marker and any length object
        int64_t count; // elements, bytes or UTF-16 units
    };

    bool within(int64_t start, int64_t length) const {
        return start >= 0 && length >= 0 && start <= size_ && length <= size_ - start;
    }

    uint64_t bigEndian(int64_t at, int bytes) const {
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | data_[at + i];
        return v;
    }

    std::optional<int64_t> objectOffset(uint64_t object) const {
        const int64_t entry = table_ + static_cast<int64_t>(object) * offsetSize_;
        const uint64_t offset = bigEndian(entry, offsetSize_);
        if (offset < static_cast<uint64_t>(kBinaryMagic.size()) || offset >= static_cast<uint64_t>(table_))
            return std::nullopt;
        return static_cast<int64_t>(offset);
    }

    // The count in the marker's low nibble, or (0xF) in the integer object after it.
    std::optional<Body> counted(int64_t offset, int low) const {
        if (low != 0x0f) return Body{offset + 1, low};
        if (!within(offset + 1, 1)) return std::nullopt;
        const unsigned char lengthMarker = data_[offset + 1];
        const int power = lengthMarker & 0x0f;
        if ((lengthMarker >> 4) != 0x1 || power > 3) return std::nullopt;
        const int bytes = 1 << power;
        if (!within(offset + 2, bytes)) return std::nullopt;
        const uint64_t count = bigEndian(offset + 2, bytes);
        if (count > static_cast<uint64_t>(size_)) return std::nullopt;
        return Body{offset + 2 + bytes, static_cast<int64_t>(count)};
    }

    void maskAscii(int64_t start, int64_t count) {
        for (int64_t i = start; i < start + count; ++i)
            if (data_[i] == 0) data_[i] = static_cast<unsigned char>(kMaskByte);
    }

    void maskUtf16(int64_t start, int64_t units) {
        for (int64_t i = start; i < start + 2 * units; i += 2)
            if (data_[i] == 0 && data_[i + 1] == 0) data_[i] = data_[i + 1] = 0xff;
    }

    unsigned char* data_;
    int64_t size_;
    int offsetSize_ = 0;
    int refSize_ = 0;
    uint64_t count_ = 0;
    uint64_t top_ = 0;
    int64_t table_ = 0;
};

} // namespace

std::optional<QByteArray> PropertyListScreen::screened(QByteArray bytes) {
    const bool ok = bytes.startsWith(kBinaryMagic) ? screenBinary(bytes) : screenXml(bytes);
    if (!ok) return std::nullopt;
    return bytes;
}

bool PropertyListScreen::isMaskedText(const char* bytes, uint64_t length) {
    if (!bytes) return false;
    const QByteArrayView text(bytes, static_cast<qsizetype>(length));
    return text.contains('\0') || text.contains(kMaskByte) || text.contains(kMaskedUtf16Unit);
}

bool PropertyListScreen::screenBinary(QByteArray& bytes) {
    BinaryList list(bytes);
    return list.readTrailer() && list.walk();
}

namespace {

// Where libplist's scanners stop: the first place at or after `from` where
// `match` holds, skipping double-quoted runs as libplist does inside tags,
// processing instructions and document types (it gives single quotes no
// meaning). -1 when there is none, or a quote is never closed.
template <typename Match> qsizetype scanOutsideQuotes(QByteArrayView text, qsizetype from, Match match) {
    for (qsizetype at = from; at < text.size(); ++at) {
        if (match(at)) return at;
        if (text[at] == '"') {
            at = text.indexOf('"', at + 1);
            if (at < 0) return -1;
        }
    }
    return -1;
}

qsizetype findOutsideQuotes(QByteArrayView text, qsizetype from, QByteArrayView end) {
    return scanOutsideQuotes(text, from, [&](qsizetype at) { return text.sliced(at).startsWith(end); });
}

qsizetype findAnyOutsideQuotes(QByteArrayView text, qsizetype from, QByteArrayView chars) {
    return scanOutsideQuotes(text, from, [&](qsizetype at) { return chars.contains(text[at]); });
}

} // namespace

// The nesting of the XML elements, followed without recursion and marked up the
// way libplist's own scanner reads them, so that nothing it parses hides from
// the screen inside what the screen takes for a comment or an attribute.
// Anything unterminated, any markup libplist does not know, or a closing tag
// that closes nothing open refuses the list (libplist would not read it either).
bool PropertyListScreen::screenXml(QByteArray& bytes) {
    bytes.replace('\0', kMaskByte);
    const QByteArrayView text(bytes);
    // Each element libplist builds begins at a '<', so their count bounds the
    // tree it can build (and free, recursively) from this text, however the
    // markup below is read.
    if (std::count(text.begin(), text.end(), '<') > kMaxXmlTags) return false;
    QList<QByteArrayView> open;
    const auto past = [](qsizetype at, QByteArrayView end) { return at < 0 ? -1 : at + end.size(); };
    qsizetype i = 0;
    while ((i = text.indexOf('<', i)) >= 0) {
        const QByteArrayView rest = text.sliced(i);
        if (rest.startsWith("<!--")) {
            i = past(text.indexOf("-->", i + 4), "-->");
        } else if (rest.startsWith("<![CDATA[")) {
            i = past(text.indexOf("]]>", i + 9), "]]>");
        } else if (rest.startsWith("<?")) {
            // libplist looks for the end from the '?' itself: "<?>" is whole.
            i = past(findOutsideQuotes(text, i + 1, "?>"), "?>");
        } else if (rest.startsWith("<!DOCTYPE")) {
            const qsizetype at = findAnyOutsideQuotes(text, i + 9, "[>");
            if (at >= 0 && text[at] == '[')
                i = past(findOutsideQuotes(text, at, "]>"), "]>");
            else
                i = past(at, ">");
        } else if (rest.startsWith("<!")) {
            return false;
        } else {
            // The name runs to a blank or a bracket; the tag then ends at the
            // first '>' outside quotes, and a '<' before it is an error.
            const QByteArrayView nameStops(" \t\r\n<>");
            qsizetype end = i + 1;
            while (end < text.size() && !nameStops.contains(text[end]))
                ++end;
            if (end < text.size() && text[end] != '<' && text[end] != '>')
                end = findAnyOutsideQuotes(text, end, "<>");
            if (end < 0 || end >= text.size() || text[end] != '>') return false;
            const bool closing = rest.startsWith("</");
            const qsizetype nameStart = i + (closing ? 2 : 1);
            qsizetype nameEnd = nameStart;
            while (nameEnd < end && !std::strchr(" \t\r\n/", text[nameEnd]))
                ++nameEnd;
            const QByteArrayView name = text.sliced(nameStart, nameEnd - nameStart);
            if (closing) {
                if (open.isEmpty() || open.last() != name) return false;
                open.removeLast();
            } else if (text[end - 1] != '/') {
                open.append(name);
                // The <plist> element wraps the top object.
                if (open.size() > kMaxDepth + 2) return false;
            }
            i = end + 1;
        }
        if (i < 0) return false;
    }
    return true;
}

} // namespace meterix
