#pragma once

// Readable gtest output for Qt values.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << "{";
    for (qsizetype i = 0; i < l.size(); ++i) *os << (i ? ", \"" : "\"") << l.at(i).toStdString() << '"';
    *os << "}";
}
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << '"' << b.toStdString() << '"'; }

#include <QPointF>
#include <QRectF>
inline void PrintTo(const QPointF& p, std::ostream* os) { *os << "(" << p.x() << ", " << p.y() << ")"; }
inline void PrintTo(const QRectF& r, std::ostream* os) {
    *os << "(" << r.x() << ", " << r.y() << " " << r.width() << " x " << r.height() << ")";
}
