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

// What a screen can show of a text from outside (another tool's file, a
// server's answer): a name or label (a model, a plan, an account, a place) at
// most kMaxShownNameCharacters user-perceived characters, a line (a note, an
// error, a folder) at most kMaxShownLineCharacters. A longer one is cut and
// "…" stands where it was cut: at the end, or for a path at the start (its end
// says most). The views elide further to their width; this keeps what another
// program wrote from reaching layout, masking and painting whole, however long.
inline constexpr int kMaxShownNameCharacters = 48;
inline constexpr int kMaxShownLineCharacters = 160;
QString shownText(const QString& text, int limit = kMaxShownNameCharacters);
QString shownPath(const QString& path, int limit = kMaxShownLineCharacters);
// A name another tool gives a thing (a model) as a line may show it: white
// space collapsed, nothing unprintable (a control or format character such as
// a bidirectional override could disguise the line it is shown in), cut as
// shownText to `limit`; nothing when that leaves no name.
std::optional<QString> shownWord(const QString& raw, int limit = kMaxShownNameCharacters);

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
