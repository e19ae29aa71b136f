#include "core/JsonStreamReader.h"

#include "core/SafeConversions.h"

#include <QJsonArray>
#include <QJsonValue>

#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

namespace meterix {

namespace {

// As deep as QJsonDocument reads, the top-level object counted; it also bounds
// the reader's own stack on a file of nothing but "[[[[".
constexpr int kMaxDepth = 1024;
constexpr int64_t kChunkBytes = JsonStreamReader::kChunkBytes;

// Fills a buffer: the bytes given, 0 at the end, -1 on an error.
using Source = std::function<int64_t(char* into, int64_t maxBytes)>;

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
// chunk once its surrogate escapes are mended; the few bytes of an escape cut
// by the chunk's end wait for the next chunk.
class ChunkStream {
  public:
    using Ch = char;

    explicit ChunkStream(Source source) : source_(std::move(source)), buffer_(kChunkBytes + 1) {
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
    size_t Tell() const { return static_cast<size_t>(handedOut_ + (current_ - begin_)); }

    // Only for in-place parsing, which is never asked for.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch*) { return 0; }

    // The parser took every byte: no NUL (which it takes for the end) stopped it
    // early, and no read failed.
    bool consumedAll() const { return current_ == exposedEnd_ && atEnd_ && !failed_; }

  private:
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
                filled += n;
            }
        }
        end_ = begin_ + filled;
        exposedEnd_ = mendLoneSurrogates(begin_, end_, atEnd_);
        *end_ = '\0'; // what Peek gives at the very end
        current_ = begin_;
    }

    Source source_;
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
            startMember(text, length);
            return true;
        }
        if (keeping_ && count()) frames_.back().key = QString::fromUtf8(text, length);
        return true;
    }

    bool EndObject(rapidjson::SizeType) { return close(); }
    bool EndArray(rapidjson::SizeType) { return close(); }

    bool sawRootObject() const { return sawRoot_ && depth_ == 0; }
    QJsonObject result() const { return result_; }

  private:
    struct Frame {
        bool isObject;
        QJsonObject object;
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
        result_.remove(memberName_);
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
        place(done.isObject ? QJsonValue(done.object) : QJsonValue(done.array));
        return true;
    }

    // Puts a finished value into the container open around it, or makes it the
    // member's value.
    void place(const QJsonValue& value) {
        if (frames_.empty()) {
            result_.insert(memberName_, value);
            keeping_ = false;
            return;
        }
        Frame& parent = frames_.back();
        if (parent.isObject)
            parent.object.insert(parent.key, value);
        else
            parent.array.append(value);
    }

    const ChunkStream& stream_;
    const JsonStreamReader::Limits limits_;
    const bool keepAll_;
    std::vector<QByteArray> wanted_;

    int depth_ = 0;
    bool sawRoot_ = false;
    QJsonObject result_;

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

std::optional<QJsonObject> readStream(Source source, const JsonStreamReader::Options& options) {
    // Iterative: the parser's own depth lives on the heap, not the call stack.
    // Numbers as their text: see numberValue.
    constexpr unsigned strict = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag |
                                rapidjson::kParseNumbersAsStringsFlag;
    constexpr unsigned lenient = strict | rapidjson::kParseCommentsFlag | rapidjson::kParseTrailingCommasFlag;

    ChunkStream stream(std::move(source));
    MemberKeeper keeper(stream, options);
    const bool parsed = options.syntax == JsonStreamReader::Syntax::lenient ? parse<lenient>(stream, keeper)
                                                                            : parse<strict>(stream, keeper);
    if (!parsed || !stream.consumedAll() || !keeper.sawRootObject()) return std::nullopt;
    return keeper.result();
}

} // namespace

std::optional<QJsonObject> JsonStreamReader::read(QByteArrayView document, const Options& options) {
    qsizetype offset = 0;
    return readStream(
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
        readStream([&](char* into, int64_t maxBytes) { return file->read(into, maxBytes); }, options);
    return reading;
}

} // namespace meterix
