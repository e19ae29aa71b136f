#include "core/IsoDate.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace meterix {

QString isoDateString(const QDateTime& t) {
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

namespace {

std::optional<QDateTime> build(const QRegularExpressionMatch& m, bool allowFraction) {
    if (!m.hasMatch()) return std::nullopt;
    const int year = m.captured(1).toInt();
    const int month = m.captured(2).toInt();
    const int day = m.captured(3).toInt();
    const int hour = m.captured(4).toInt();
    const int minute = m.captured(5).toInt();
    const int second = m.captured(6).toInt();
    int ms = 0;
    const QString fraction = m.captured(7);
    if (!fraction.isEmpty()) {
        if (!allowFraction) return std::nullopt;
        ms = (fraction.mid(1) + QStringLiteral("00")).left(3).toInt();
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second == 60 ? 59 : second, ms);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    int offset = 0;
    const QString zone = m.captured(8);
    if (zone.compare(QLatin1String("Z"), Qt::CaseInsensitive) != 0) {
        const int sign = zone.startsWith(QLatin1Char('-')) ? -1 : 1;
        const int oh = zone.mid(1, 2).toInt();
        const int om = zone.mid(4, 2).toInt();
        if (oh > 23 || om > 59) return std::nullopt;
        offset = sign * (oh * 3600 + om * 60);
    }
    QDateTime result(date, time, Qt::UTC);
    result = result.addSecs(-offset);
    // The offset can carry 9999-12-31 into year 10000 or 0001-01-01 into year 0,
    // which our stores could write but never read back.
    if (!result.isValid() || result.date().year() < 1 || result.date().year() > 9999) return std::nullopt;
    return result;
}

} // namespace

std::optional<QDateTime> parseIsoDate(QStringView text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(\.\d+)?(Z|[+-]\d{2}:\d{2})$)"));
    return build(pattern.match(text.toString()), false);
}

std::optional<QDateTime> parseRfc3339(QStringView text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})[Tt ](\d{2}):(\d{2}):(\d{2})(\.\d+)?([Zz]|[+-]\d{2}:\d{2})$)"));
    return build(pattern.match(text.toString()), true);
}

} // namespace meterix
