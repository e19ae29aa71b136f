#include "core/IsoDate.h"

#include <QTimeZone>

namespace meterix {

QString isoDateString(const QDateTime& t) {
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

namespace {

// Read by hand rather than by a regular expression: dates are read on every
// poll, and the expression engine alone would keep half a megabyte of the
// bar's memory resident for them.
struct DateText {
    QStringView text;
    qsizetype at = 0;

    bool atEnd() const { return at == text.size(); }
    bool take(char16_t c) {
        if (atEnd() || text[at] != c) return false;
        ++at;
        return true;
    }
    bool takeAny(std::u16string_view choices) {
        if (atEnd() || choices.find(text[at].unicode()) == std::u16string_view::npos) return false;
        ++at;
        return true;
    }
    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; } // ASCII only, like \d
    // Exactly count digits.
    std::optional<int> number(int count) {
        if (text.size() - at < count) return std::nullopt;
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const QChar c = text[at + i];
            if (!isDigit(c)) return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        at += count;
        return value;
    }
};

// "yyyy-MM-dd<sep>HH:mm:ss[.fraction]<zone>", where sep is one of separators
// and the zone "Z" (or "z" when lowerZ) or "+hh:mm"/"-hh:mm". Like the
// pattern's "$" these readers once used, one line feed may end the text.
std::optional<QDateTime> read(QStringView text, std::u16string_view separators, bool allowFraction,
                              bool lowerZ) {
    if (text.endsWith(u'\n')) text.chop(1);
    DateText t{text};
    const auto year = t.number(4);
    if (!year || !t.take(u'-')) return std::nullopt;
    const auto month = t.number(2);
    if (!month || !t.take(u'-')) return std::nullopt;
    const auto day = t.number(2);
    if (!day || !t.takeAny(separators)) return std::nullopt;
    const auto hour = t.number(2);
    if (!hour || !t.take(u':')) return std::nullopt;
    const auto minute = t.number(2);
    if (!minute || !t.take(u':')) return std::nullopt;
    const auto second = t.number(2);
    if (!second) return std::nullopt;
    int ms = 0;
    if (t.take(u'.')) {
        // Any number of digits, read to the millisecond.
        const qsizetype first = t.at;
        while (!t.atEnd() && DateText::isDigit(t.text[t.at]))
            ++t.at;
        if (t.at == first || !allowFraction) return std::nullopt;
        for (qsizetype i = first; i < first + 3; ++i)
            ms = ms * 10 + (i < t.at ? t.text[i].unicode() - u'0' : 0);
    }
    int offset = 0;
    if (!t.take(u'Z') && !(lowerZ && t.take(u'z'))) {
        if (t.atEnd()) return std::nullopt;
        const int sign = t.text[t.at] == u'-' ? -1 : 1;
        if (!t.takeAny(u"+-")) return std::nullopt;
        const auto oh = t.number(2);
        if (!oh || !t.take(u':')) return std::nullopt;
        const auto om = t.number(2);
        if (!om || *oh > 23 || *om > 59) return std::nullopt;
        offset = sign * (*oh * 3600 + *om * 60);
    }
    if (!t.atEnd()) return std::nullopt;

    const QDate date(*year, *month, *day);
    const QTime time(*hour, *minute, *second == 60 ? 59 : *second, ms);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    QDateTime result(date, time, Qt::UTC);
    result = result.addSecs(-offset);
    // The offset can carry 9999-12-31 into year 10000 or 0001-01-01 into year 0,
    // which our stores could write but never read back.
    if (!result.isValid() || result.date().year() < 1 || result.date().year() > 9999) return std::nullopt;
    return result;
}

} // namespace

std::optional<QDateTime> parseIsoDate(QStringView text) {
    return read(text, u"T", false, false);
}

std::optional<QDateTime> parseRfc3339(QStringView text) {
    return read(text, u"Tt ", true, true);
}

} // namespace meterix
