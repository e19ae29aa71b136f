#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace meterix {

// Looks at a property list's bytes before libplist parses them. libplist parses
// recursively (a deeply nested list overflows the stack), expands shared objects
// of a binary list into copies (a few bytes can stand for an exponential tree),
// and asserts (aborting the process) when a string or key holds a NUL character.
// The screen walks the list without recursion and refuses it when its tree would
// nest deeper than kMaxDepth or hold more than kMaxNodes nodes, or when it is
// anything it cannot follow. An XML list is also refused when it holds more than
// kMaxXmlTags '<' characters anywhere (comments and quoted text included), so
// that no misreading of its markup can let a larger tree through. A NUL inside a
// string or key is replaced by a mark that is never text (the byte 0xFF, or
// U+FFFF in a UTF-16 string), so that the reader can drop just that value: see
// isMaskedText.
class PropertyListScreen {
  public:
    PropertyListScreen() = delete;

    static constexpr int kMaxDepth = 64;
    static constexpr int64_t kMaxNodes = 100000;
    // libplist frees a tree recursively, about 48 bytes of stack a level: this
    // many levels take under 1 MiB, half the smallest stack a pool thread gets
    // by default (2 MiB, when the stack limit is unlimited). Real preference
    // lists hold a few hundred tags.
    static constexpr int64_t kMaxXmlTags = 20000;

    // The bytes to hand to libplist, or nothing when the list must not be parsed.
    static std::optional<QByteArray> screened(QByteArray bytes);

    // True when parsed text (UTF-8 bytes, any length) held a NUL: it carries the
    // mark or a NUL byte.
    static bool isMaskedText(const char* bytes, uint64_t length);

  private:
    static bool screenBinary(QByteArray& bytes);
    static bool screenXml(QByteArray& bytes);
};

} // namespace meterix
