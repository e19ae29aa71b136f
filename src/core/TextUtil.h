#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace meterix {

// The first user-perceived character (grapheme cluster) of text, or "".
QString firstCharacter(const QString& text);
// The first n user-perceived characters.
QString firstCharacters(const QString& text, int n);
// The last n user-perceived characters.
QString lastCharacters(const QString& text, int n);
// The number of user-perceived characters.
int characterCount(const QString& text);

// Orders by Unicode code point (QString's own < compares UTF-16 units, which
// puts characters beyond the BMP before U+E000..U+FFFF).
bool codePointLess(const QString& a, const QString& b);
int codePointCompare(const QString& a, const QString& b);

// Upper-cases the first letter of each word and lower-cases the rest; words are
// split on white space only, and the white space is kept as it was.
QString capitalizeWords(const QString& text);

// How many bytes the UTF-8 character that `lead` begins takes, 1 to 4; 0 for a
// byte that begins none (a continuation byte, an overlong lead, one past
// U+10FFFF).
constexpr int utf8CharacterLength(unsigned char lead) {
    return lead < 0x80                   ? 1
           : lead >= 0xC2 && lead <= 0xDF ? 2
           : lead >= 0xE0 && lead <= 0xEF ? 3
           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                          : 0;
}

// The text of bytes that are UTF-8 throughout, or nothing when any sequence is
// not (a BOM at the start is dropped): what others wrote is taken whole or not
// at all, never with replacement characters in it.
std::optional<QString> strictUtf8(QByteArrayView bytes);

// The bytes less the continuation bytes (at most three) of a UTF-8 character
// cut in two at their start, where a window into a longer text began.
QByteArrayView withoutCutFirstCharacter(QByteArrayView bytes);
// The bytes less a UTF-8 character cut in two at their end (where a cap or a
// writer caught halfway fell): its lead byte asks for more bytes than follow.
QByteArrayView withoutCutLastCharacter(QByteArrayView bytes);

} // namespace meterix
