#include "core/JsonStreamReader.h"

#include "core/SafeConversions.h"
#include "core/TextUtil.h"

#include <QJsonArray>
#include <QJsonValue>

#include <rapidjson/reader.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <string_view>
#include <vector>

namespace meterix {

namespace {

// As deep as QJsonDocument reads, the top-level object counted; it also bounds
// the reader's own stack on a file of nothing but "[[[[".
constexpr int kMaxDepth = 1024;
constexpr int64_t kChunkBytes = JsonStreamReader::kChunkBytes;

using Source = JsonStreamReader::Source;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code unit of the four hex digits at p, or -1.
int hex4(const char* p) {
    int unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(p[i]);
        if (digit < 0) return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

// Turns each unpaired UTF-16 surrogate escape in [begin, end) into "\uFFFD" in
// place (same length). RapidJSON refuses a high half without its low half and
// would lose the whole document over one cut emoji, where QJsonDocument kept
// it. Escapes pair up from left to right, since a backslash is valid only
// inside a string, where each begins an escape. Returns where an escape starts
// that needs bytes not read yet (it is looked at again with them), else end.
char* mendLoneSurrogates(char* begin, char* end, bool atEnd) {
    char* p = begin;
    while ((p = static_cast<char*>(std::memchr(p, '\\', static_cast<size_t>(end - p))))) {
        const auto left = end - p;
        if (left < 2) return atEnd ? end : p;
        if (p[1] != 'u') {
            p += 2;
            continue;
        }
        if (left < 6) return atEnd ? end : p;
        const int unit = hex4(p + 2);
        if (unit < 0xD800 || unit > 0xDFFF) { // also a malformed escape, for the parser to refuse
            p += 2;
            continue;
        }
        if (unit <= 0xDBFF) {
            if (left < 12 && !atEnd) return p;
            if (left >= 12 && p[6] == '\\' && p[7] == 'u') {
                const int low = hex4(p + 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    p += 12;
                    continue;
                }
            }
        }
        std::memcpy(p + 2, "FFFD", 4);
        p += 6;
    }
    return end;
}

// Eight copies of a byte.
constexpr uint64_t repeated(uint8_t byte) {
    return 0x0101010101010101ULL * byte;
}

// How many bytes from p on are plain string text: no quote, no backslash, and
// (with `asciiOnly`) no control character and nothing beyond ASCII. Sixteen or
// eight at a time, since a string skipped this way may be gigabytes long.
inline size_t plainRun(const char* p, const char* end, bool asciiOnly) {
    const char* q = p;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), space = _mm_set1_epi8(0x20);
    while (end - q >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash));
        // Signed: bytes from 0x80 up read as negative, so below 0x20 too.
        if (asciiOnly) stop = _mm_or_si128(stop, _mm_cmplt_epi8(v, space));
        const int mask = _mm_movemask_epi8(stop);
        if (mask) return size_t(q - p) + size_t(__builtin_ctz(unsigned(mask)));
        q += 16;
    }
#else
    constexpr uint64_t high = repeated(0x80);
    auto hasZeroByte = [](uint64_t v) { return (v - repeated(0x01)) & ~v & high; };
    while (end - q >= 8) {
        uint64_t v;
        std::memcpy(&v, q, 8);
        uint64_t stop = hasZeroByte(v ^ repeated('"')) | hasZeroByte(v ^ repeated('\\'));
        if (asciiOnly) stop |= (v & high) | ((v - repeated(0x20)) & ~v & high);
        if (stop) break;
        q += 8;
    }
#endif
    while (q < end) {
        const auto c = static_cast<unsigned char>(*q);
        if (c == '"' || c == '\\' || (asciiOnly && (c < 0x20 || c >= 0x80))) break;
        ++q;
    }
    return static_cast<size_t>(q - p);
}

// RapidJSON gathers a whole string (and a whole number) before handing it on,
// and counts its length in 32 bits: a string of 4 GiB overflows it, and one of
// 1 GiB costs 1 GiB even when it is skipped. So the bytes pass through here
// first. A lexer that follows strings and comments keeps the first `keepBytes`
// of every string and drops the rest as it streams, counting it in 64 bits; the
// parser then sees a shortened string, which the reader knows to be longer than
// any member may be. Dropped text is checked as strictly as the parser checks
// text (UTF-8, escapes, control characters): a fault there becomes a control
// character that the parser refuses. A number longer than `keepBytes` is never
// one a member could keep: it spoils the document.
class StringElider {
  public:
    struct Elision {
        int64_t quote;   // where the string's closing quote lies in the parser's text
        int64_t dropped; // how many bytes of the document were left out before it
    };

    explicit StringElider(int64_t keepBytes) : keep_(std::max<int64_t>(keepBytes, 0)) {}

    // Lexes the new bytes [from, end) of a buffer whose first byte is the
    // parser's byte `base`; the kept ones move to the front of the range. Returns
    // the end of the kept bytes.
    char* pass(char* bufferBegin, char* from, char* end, int64_t base, std::deque<Elision>& elisions) {
        char* w = from;
        for (char* p = from; p < end;) {
            if (state_ == State::broken) return keepBytes(w, p, end);
            {
                char* q = fastLex(p, end);
                w = keepBytes(w, p, q);
                p = q;
                if (p == end) break;
            }
            if (state_ == State::string) {
                // Plain text up to the cap goes through in one step.
                const int64_t room = keep_ - length_;
                if (room > 0) {
                    char* q = p + std::min<size_t>(plainRun(p, end, false), size_t(room));
                    w = keepBytes(w, p, q);
                    length_ += q - p;
                    p = q;
                    if (p == end) break;
                }
            } else if (state_ == State::eliding) {
                const size_t n = plainRun(p, end, true);
                p += n;
                dropped_ += int64_t(n);
                if (p == end) break;
            }
            const auto c = static_cast<unsigned char>(*p++);
            switch (step(c)) {
            case Verdict::keep:
                *w++ = char(c);
                break;
            case Verdict::drop:
                ++dropped_;
                break;
            case Verdict::closeElided:
                elisions.push_back({base + (w - bufferBegin), dropped_});
                *w++ = char(c);
                break;
            case Verdict::fault:
                // Inside a string, a control character; outside, the same
                // byte stops the parser as well.
                *w++ = '\x01';
                state_ = State::broken;
                break;
            }
        }
        return w;
    }

  private:
    enum class State : uint8_t {
        outside,
        number,
        slash,
        lineComment,
        blockComment,
        blockStar,
        string,
        escape,
        unicode,
        eliding,
        elidingEscape,
        elidingUnicode,
        elidingUtf8,
        broken,
    };
    enum class Verdict : uint8_t { keep, drop, closeElided, fault };

    // Lexes strings, numbers and what lies between them while none of them can
    // reach the cap in [p, end), the common case, in one tight loop. Stops at
    // anything else (a comment, an escape cut by the end) for step() to take.
    char* fastLex(char* p, char* end) {
        const ptrdiff_t left = end - p;
        if (keep_ <= left) return p;
        if (state_ != State::outside && state_ != State::string && state_ != State::number) return p;
        if (state_ != State::outside && keep_ - length_ <= left) return p;
        char* q = p;
        const char* runStart = p; // of the current string's text or number in this range
        int64_t runBefore = state_ == State::outside ? 0 : length_;
        while (q < end) {
            if (state_ == State::string) {
                q += plainRun(q, end, false);
                if (q == end) break;
                if (*q == '"') {
                    ++q;
                    state_ = State::outside;
                    continue;
                }
                const ptrdiff_t escape = q + 1 < end && q[1] == 'u' ? 6 : 2;
                if (end - q < escape) break;
                q += escape;
                continue;
            }
            const auto c = static_cast<unsigned char>(*q);
            if (c == '/') break;
            if (c == '"') {
                state_ = State::string;
                runStart = ++q;
                runBefore = 0;
                continue;
            }
            if (isNumberByte(c)) {
                if (state_ != State::number) {
                    state_ = State::number;
                    runStart = q;
                    runBefore = 0;
                }
            } else {
                state_ = State::outside;
            }
            ++q;
        }
        if (state_ != State::outside) length_ = runBefore + (q - runStart);
        return q;
    }

    // Moves [from, to) to w (when something was dropped before it) and returns
    // the new end of the kept bytes.
    static char* keepBytes(char* w, const char* from, const char* to) {
        const size_t n = static_cast<size_t>(to - from);
        if (w != from) std::memmove(w, from, n);
        return w + n;
    }

    static bool isNumberByte(unsigned char c) {
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
    }

    Verdict step(unsigned char c) {
        switch (state_) {
        case State::outside:
        case State::number:
            if (isNumberByte(c)) {
                if (state_ != State::number) length_ = 0;
                state_ = State::number;
                return ++length_ > keep_ ? Verdict::fault : Verdict::keep;
            }
            state_ = State::outside;
            if (c == '"') {
                state_ = State::string;
                length_ = 0;
            } else if (c == '/') {
                state_ = State::slash;
            }
            return Verdict::keep;
        case State::slash:
            state_ = c == '/' ? State::lineComment : c == '*' ? State::blockComment : State::outside;
            return Verdict::keep;
        case State::lineComment:
            if (c == '\n') state_ = State::outside;
            return Verdict::keep;
        case State::blockComment:
        case State::blockStar:
            state_ = c == '*' ? State::blockStar
                     : (c == '/' && state_ == State::blockStar) ? State::outside
                                                                : State::blockComment;
            return Verdict::keep;
        case State::string:
            // Past the cap, and not inside a character that began before it.
            if (length_ >= keep_ && (c & 0xC0) != 0x80) {
                state_ = State::eliding;
                dropped_ = 0;
                return elide(c);
            }
            ++length_;
            if (c == '"') state_ = State::outside;
            if (c == '\\') state_ = State::escape;
            return Verdict::keep;
        case State::escape:
            ++length_;
            state_ = c == 'u' ? State::unicode : State::string;
            pending_ = 4;
            return Verdict::keep;
        case State::unicode:
            ++length_;
            if (--pending_ == 0) state_ = State::string;
            return Verdict::keep;
        default:
            return elide(c);
        }
    }

    // A byte of a string past the cap, checked and dropped.
    Verdict elide(unsigned char c) {
        switch (state_) {
        case State::eliding:
            if (c == '"') {
                state_ = State::outside;
                return Verdict::closeElided;
            }
            if (c == '\\') {
                state_ = State::elidingEscape;
                return Verdict::drop;
            }
            if (c < 0x20) return Verdict::fault;
            if (c < 0x80) return Verdict::drop;
            return leadByte(c);
        case State::elidingEscape:
            if (c == 'u') {
                state_ = State::elidingUnicode;
                pending_ = 4;
                return Verdict::drop;
            }
            if (!std::strchr("\"\\/bfnrt", c) || c == 0) return Verdict::fault;
            state_ = State::eliding;
            return Verdict::drop;
        case State::elidingUnicode:
            if (hexValue(char(c)) < 0) return Verdict::fault;
            if (--pending_ == 0) state_ = State::eliding;
            return Verdict::drop;
        case State::elidingUtf8:
            if (c < low_ || c > high_) return Verdict::fault;
            low_ = 0x80;
            high_ = 0xBF;
            if (--pending_ == 0) state_ = State::eliding;
            return Verdict::drop;
        default:
            return Verdict::fault;
        }
    }

    // The first byte of a character beyond ASCII: how many follow, and the
    // range of the next one (no overlong forms, no surrogates, nothing past
    // U+10FFFF), as the parser's own check has it.
    Verdict leadByte(unsigned char c) {
        pending_ = utf8CharacterLength(c) - 1;
        if (pending_ <= 0) return Verdict::fault;
        low_ = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        high_ = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        state_ = State::elidingUtf8;
        return Verdict::drop;
    }

    const int64_t keep_;
    State state_ = State::outside;
    int64_t length_ = 0;  // bytes of the current string or number so far
    int64_t dropped_ = 0; // of the current string
    int pending_ = 0;     // hex digits or continuation bytes still to come
    unsigned char low_ = 0x80;
    unsigned char high_ = 0xBF;
};

// A JSON number's value as QJsonDocument reads it: a whole number within 64
// bits as an integer, whatever its spelling ("1.0", "1e3"), else a double;
// nothing for one beyond a double or so small that it would read as 0, which
// QJsonDocument refuses. Converted here rather than by RapidJSON, whose
// exact-precision conversion misbehaves on a zero with a large exponent
// ("0e23") in release 1.1.0.
std::optional<QJsonValue> numberValue(std::string_view text) {
    const char* end = text.data() + text.size();
    if (text.find_first_of(".eE") == std::string_view::npos) {
        int64_t whole = 0;
        if (const auto r = std::from_chars(text.data(), end, whole); r.ec == std::errc() && r.ptr == end)
            return QJsonValue(qint64(whole));
    }
    double d = 0;
    const auto r = std::from_chars(text.data(), end, d);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(d)) return std::nullopt;
    if (const auto whole = truncatedInt64(d); whole && double(*whole) == d) return QJsonValue(qint64(*whole));
    return QJsonValue(d);
}

// RapidJSON's input stream over a source, a chunk at a time. The parser sees a
// chunk once its long strings are shortened (StringElider) and its surrogate
// escapes mended; the few bytes of an escape cut by the chunk's end wait for
// the next chunk. Positions (Tell) count the document's own bytes, the dropped
// ones included.
class ChunkStream {
  public:
    using Ch = char;

    ChunkStream(const Source& source, int64_t stringKeepBytes)
        : source_(source), elider_(stringKeepBytes), buffer_(kChunkBytes + 1) {
        begin_ = buffer_.data();
        current_ = exposedEnd_ = end_ = begin_;
        refill();
    }

    Ch Peek() const { return *current_; }
    Ch Take() {
        const Ch c = *current_;
        if (current_ != exposedEnd_ && ++current_ == exposedEnd_ && !atEnd_) refill();
        return c;
    }
    size_t Tell() const {
        settle();
        return static_cast<size_t>(parsed() + droppedBefore_);
    }
    // The string the parser has just taken was shortened: it is longer than
    // what was kept of it.
    bool stringWasShortened() const {
        settle();
        return lastShortenedQuote_ == parsed() - 1;
    }

    // Only for in-place parsing, which is never asked for.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch*) { return 0; }

    // The parser took every byte: no NUL (which it takes for the end) stopped it
    // early, and no read failed.
    bool consumedAll() const { return current_ == exposedEnd_ && atEnd_ && !failed_; }

  private:
    // Bytes of the parser's text taken so far.
    int64_t parsed() const { return handedOut_ + (current_ - begin_); }
    // Counts the strings the parser has gone past.
    void settle() const {
        while (!elisions_.empty() && elisions_.front().quote < parsed()) {
            droppedBefore_ += elisions_.front().dropped;
            lastShortenedQuote_ = elisions_.front().quote;
            elisions_.pop_front();
        }
    }

    void refill() {
        handedOut_ += exposedEnd_ - begin_;
        const auto waiting = end_ - exposedEnd_;
        std::memmove(begin_, exposedEnd_, static_cast<size_t>(waiting));
        int64_t filled = waiting;
        while (!atEnd_ && filled < kChunkBytes) {
            const int64_t n = source_(begin_ + filled, kChunkBytes - filled);
            if (n <= 0) {
                atEnd_ = true;
                failed_ = n < 0;
            } else {
                char* from = begin_ + filled;
                filled = elider_.pass(begin_, from, from + n, handedOut_, elisions_) - begin_;
            }
        }
        end_ = begin_ + filled;
        exposedEnd_ = mendLoneSurrogates(begin_, end_, atEnd_);
        *end_ = '\0'; // what Peek gives at the very end
        current_ = begin_;
    }

    const Source& source_;
    StringElider elider_;
    mutable std::deque<StringElider::Elision> elisions_;
    mutable int64_t droppedBefore_ = 0;
    mutable int64_t lastShortenedQuote_ = -1;
    std::vector<char> buffer_;
    char* begin_;
    char* current_;
    char* exposedEnd_;
    char* end_;
    int64_t handedOut_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
};

// Builds the wanted top-level members from the parser's events and lets every
// other value pass.
class MemberKeeper {
  public:
    using Ch = char;

    MemberKeeper(const ChunkStream& stream, const JsonStreamReader::Options& options)
        : stream_(stream), limits_(options.limits), keepAll_(!options.members) {
        if (options.members)
            for (const QString& name : *options.members)
                wanted_.push_back(name.toUtf8());
    }

    bool Null() {
        return scalar([] { return QJsonValue(QJsonValue::Null); });
    }
    bool Bool(bool b) {
        return scalar([b] { return QJsonValue(b); });
    }
    // Numbers come as their text (RawNumber): these are never called.
    bool Int(int) { return false; }
    bool Uint(unsigned) { return false; }
    bool Int64(int64_t) { return false; }
    bool Uint64(uint64_t) { return false; }
    bool Double(double) { return false; }
    bool RawNumber(const Ch* text, rapidjson::SizeType length, bool) {
        // Only a number written with an exponent or with hundreds of digits can
        // lie beyond a double, so only those are converted when skipped.
        const std::string_view number(text, length);
        std::optional<QJsonValue> value;
        if (keeping_ || number.size() > 300 || number.find_first_of("eE") != std::string_view::npos) {
            value = numberValue(number);
            if (!value) return false;
        }
        return scalar([&] { return *value; });
    }
    bool String(const Ch* text, rapidjson::SizeType length, bool) {
        return scalar([&] { return QJsonValue(QString::fromUtf8(text, length)); });
    }

    bool StartObject() { return open(true); }
    bool StartArray() { return open(false); }

    bool Key(const Ch* text, rapidjson::SizeType length, bool) {
        if (depth_ == 1) {
            // A name longer than a member may be is only its beginning here.
            if (stream_.stringWasShortened())
                keeping_ = false;
            else
                startMember(text, length);
            return true;
        }
        if (keeping_ && count()) frames_.back().key = QString::fromUtf8(text, length);
        return true;
    }

    bool EndObject(rapidjson::SizeType) { return close(); }
    bool EndArray(rapidjson::SizeType) { return close(); }

    bool sawRootObject() const { return sawRoot_ && depth_ == 0; }
    QJsonObject result() { return objectOf(result_); }

  private:
    // An object's members as they come, made into an object once it closes:
    // QJsonObject keeps its keys sorted, and inserting into it one member at a
    // time moves every later member (125,000 keys in descending order took
    // seconds). An absent value stands for a member that was refused.
    using Members = std::vector<std::pair<QString, std::optional<QJsonValue>>>;

    // The object of the members, the last of a repeated name counting (as in
    // QJsonDocument). Sorted first, so that each insert lands at the end.
    static QJsonObject objectOf(Members& members) {
        std::stable_sort(members.begin(), members.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QJsonObject object;
        for (size_t i = 0; i < members.size(); ++i) {
            if (i + 1 < members.size() && members[i + 1].first == members[i].first) continue;
            if (members[i].second) object.insert(members[i].first, *members[i].second);
        }
        return object;
    }

    struct Frame {
        bool isObject;
        Members members;
        QJsonArray array;
        QString key; // of the next member, in an object
    };

    void startMember(const Ch* text, rapidjson::SizeType length) {
        keeping_ =
            keepAll_ || std::any_of(wanted_.begin(), wanted_.end(), [&](const QByteArray& name) {
                return name.size() == qsizetype(length) && std::memcmp(name.constData(), text, length) == 0;
            });
        if (!keeping_) return;
        memberName_ = QString::fromUtf8(text, length);
        memberStart_ = stream_.Tell();
        memberValues_ = 0;
        frames_.clear();
    }

    // Counts one more value of the member being kept; over a limit, the member
    // reads as absent (a repeated name included: the last one counts, as in
    // QJsonDocument) and the rest of it passes unbuilt.
    bool count() {
        if (++memberValues_ <= limits_.memberValues &&
            int64_t(stream_.Tell() - memberStart_) <= limits_.memberBytes)
            return true;
        result_.emplace_back(memberName_, std::nullopt);
        frames_.clear();
        keeping_ = false;
        return false;
    }

    // A value is made only when it is kept.
    template <class Make> bool scalar(Make make) {
        if (depth_ == 0) return false; // the document is no object
        if (keeping_ && count()) place(make());
        return true;
    }

    bool open(bool isObject) {
        if (depth_ == 0) {
            if (!isObject) return false;
            sawRoot_ = true;
            depth_ = 1;
            return true;
        }
        if (++depth_ > kMaxDepth) return false;
        if (keeping_ && count()) frames_.push_back(Frame{isObject, {}, {}, {}});
        return true;
    }

    bool close() {
        --depth_;
        if (!keeping_ || depth_ == 0) return true;
        Frame done = std::move(frames_.back());
        frames_.pop_back();
        place(done.isObject ? QJsonValue(objectOf(done.members)) : QJsonValue(done.array));
        return true;
    }

    // Puts a finished value into the container open around it, or makes it the
    // member's value.
    void place(const QJsonValue& value) {
        if (frames_.empty()) {
            result_.emplace_back(memberName_, value);
            keeping_ = false;
            return;
        }
        Frame& parent = frames_.back();
        if (parent.isObject)
            parent.members.emplace_back(parent.key, value);
        else
            parent.array.append(value);
    }

    const ChunkStream& stream_;
    const JsonStreamReader::Limits limits_;
    const bool keepAll_;
    std::vector<QByteArray> wanted_;

    int depth_ = 0;
    bool sawRoot_ = false;
    Members result_;

    bool keeping_ = false;
    QString memberName_;
    size_t memberStart_ = 0;
    int64_t memberValues_ = 0;
    std::vector<Frame> frames_;
};

template <unsigned Flags> bool parse(ChunkStream& stream, MemberKeeper& keeper) {
    rapidjson::Reader reader;
    reader.Parse<Flags>(stream, keeper);
    return !reader.HasParseError();
}

// What is kept of a string: as much as a member may hold, and at least a whole
// wanted name.
int64_t stringKeepBytes(const JsonStreamReader::Options& options) {
    int64_t keep = options.limits.memberBytes;
    if (options.members)
        for (const QString& name : *options.members)
            keep = std::max<int64_t>(keep, name.toUtf8().size());
    return keep;
}

std::optional<QJsonObject> readChunks(const Source& source, const JsonStreamReader::Options& options) {
    // Iterative: the parser's own depth lives on the heap, not the call stack.
    // Numbers as their text: see numberValue.
    constexpr unsigned strict = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag |
                                rapidjson::kParseNumbersAsStringsFlag;
    constexpr unsigned lenient = strict | rapidjson::kParseCommentsFlag | rapidjson::kParseTrailingCommasFlag;

    ChunkStream stream(source, stringKeepBytes(options));
    MemberKeeper keeper(stream, options);
    const bool parsed = options.syntax == JsonStreamReader::Syntax::lenient ? parse<lenient>(stream, keeper)
                                                                            : parse<strict>(stream, keeper);
    if (!parsed || !stream.consumedAll() || !keeper.sawRootObject()) return std::nullopt;
    return keeper.result();
}

} // namespace

std::optional<QJsonObject> JsonStreamReader::read(const Source& source, const Options& options) {
    return readChunks(source, options);
}

std::optional<QJsonObject> JsonStreamReader::read(QByteArrayView document, const Options& options) {
    qsizetype offset = 0;
    return readChunks(
        [&](char* into, int64_t maxBytes) -> int64_t {
            const qsizetype n = std::min<qsizetype>(qsizetype(maxBytes), document.size() - offset);
            if (n > 0) std::memcpy(into, document.data() + offset, size_t(n));
            offset += n;
            return n;
        },
        options);
}

JsonStreamReader::FileReading JsonStreamReader::readFile(const QString& path, const Options& options) {
    std::optional<RegularFileStream> file = RegularFileStream::open(path);
    if (!file) return {};
    FileReading reading;
    reading.file = file->info();
    reading.object =
        readChunks([&](char* into, int64_t maxBytes) { return file->read(into, maxBytes); }, options);
    return reading;
}

} // namespace meterix
