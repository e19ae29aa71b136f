#include "core/TextUtil.h"

#include <QList>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstring>

namespace meterix {

namespace {

// Offsets of every grapheme boundary, from 0 to text.size(). Qt's finder
// reports one inside a surrogate pair when a character beyond the BMP stands
// before a prepended mark (an emoji before U+0D4E); no boundary lies there.
QList<qsizetype> boundaries(const QString& text) {
    QList<qsizetype> result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    result.append(0);
    qsizetype pos = 0;
    while ((pos = finder.toNextBoundary()) != -1 && pos <= text.size()) {
        const bool insidePair = pos < text.size() && text[pos].isLowSurrogate() && text[pos - 1].isHighSurrogate();
        if (pos > result.last() && !insidePair) result.append(pos);
        if (pos == text.size()) break;
    }
    if (result.last() != text.size()) result.append(text.size());
    return result;
}

} // namespace

QString firstCharacter(const QString& text) {
    return firstCharacters(text, 1);
}

QString firstCharacters(const QString& text, int n) {
    if (n <= 0 || text.isEmpty()) return {};
    const auto b = boundaries(text);
    const qsizetype count = b.size() - 1;
    if (n >= count) return text;
    return text.left(b[n]);
}

QString lastCharacters(const QString& text, int n) {
    if (n <= 0 || text.isEmpty()) return {};
    const auto b = boundaries(text);
    const qsizetype count = b.size() - 1;
    if (n >= count) return text;
    return text.mid(b[count - n]);
}

int characterCount(const QString& text) {
    if (text.isEmpty()) return 0;
    return static_cast<int>(boundaries(text).size() - 1);
}

namespace {

const QString kCut = QStringLiteral("\u2026");

// Code units looked at for a cut: enough for `limit` characters of any real
// text (a character beyond that many units is no writing).
qsizetype cutWindow(int limit) {
    return qsizetype(limit) * 32;
}

} // namespace

QString shownText(const QString& text, int limit) {
    if (limit <= 0) return {};
    if (text.size() <= limit) return text;
    // Boundaries are found in a window at the start only: one before its end
    // does not depend on what follows.
    const QString window = text.left(cutWindow(limit));
    const QList<qsizetype> b = boundaries(window);
    const qsizetype whole = window.size() == text.size() ? b.size() - 1 : b.size() - 2;
    if (window.size() == text.size() && whole <= limit) return text;
    return window.left(b[std::min<qsizetype>(whole, limit - 1)]) + kCut;
}

QString shownPath(const QString& path, int limit) {
    if (limit <= 0) return {};
    if (path.size() <= limit) return path;
    const QString window = path.right(cutWindow(limit));
    const QList<qsizetype> b = boundaries(window);
    // The window's first boundary may fall inside a character: it is not one.
    const qsizetype whole = window.size() == path.size() ? b.size() - 1 : b.size() - 2;
    if (window.size() == path.size() && whole <= limit) return path;
    return kCut + window.mid(b[b.size() - 1 - std::min<qsizetype>(whole, limit - 1)]);
}

std::optional<QString> shownWord(const QString& raw, int limit) {
    const QString word = shownText(raw.left(cutWindow(limit)).simplified(), limit);
    if (word.isEmpty()) return std::nullopt;
    for (const char32_t c : word.toUcs4())
        if (!QChar::isPrint(c)) return std::nullopt;
    return word;
}

int codePointCompare(const QString& a, const QString& b) {
    // UTF-8 byte order equals code-point order.
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    const int c =
        std::memcmp(x.constData(), y.constData(), static_cast<size_t>(std::min(x.size(), y.size())));
    if (c != 0) return c < 0 ? -1 : 1;
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

bool codePointLess(const QString& a, const QString& b) {
    return codePointCompare(a, b) < 0;
}

QString capitalizeWords(const QString& text) {
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i).isSpace()) {
            result.append(text.at(i));
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        const QString word = text.mid(i, end - i);
        const QString first = firstCharacter(word);
        result.append(first.toUpper());
        result.append(word.mid(first.size()).toLower());
        i = end;
    }
    return result;
}

std::optional<QString> strictUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

QByteArrayView withoutCutFirstCharacter(QByteArrayView bytes) {
    qsizetype cut = 0;
    while (cut < 3 && cut < bytes.size() && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        ++cut;
    return bytes.sliced(cut);
}

QByteArrayView withoutCutLastCharacter(QByteArrayView bytes) {
    // From the last byte back to the lead byte of the last character (a UTF-8
    // character is at most four bytes); an overlong or out-of-range lead byte
    // starts no character and is left for the decoder to refuse.
    for (qsizetype back = 1; back <= 4 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;
        return utf8CharacterLength(byte) > back ? bytes.first(bytes.size() - back) : bytes;
    }
    return bytes;
}

} // namespace meterix
