#include "panels/AllowanceName.h"

#include <QFontMetricsF>

namespace meterix {

QString allowanceNameOverLine(const QString& name, const QString& lineBelow) {
    const QString line = lineBelow.trimmed();
    if (line.isEmpty()) return name;
    for (const QString& separator : {QStringLiteral(" \u00b7 "), QStringLiteral(" \u2014 "), QStringLiteral(" - ")}) {
        const QString tail = separator + line;
        if (!name.endsWith(tail, Qt::CaseInsensitive)) continue;
        const QString head = name.chopped(tail.size()).trimmed();
        if (!head.isEmpty()) return head;
    }
    return name;
}

QString fittedAllowanceName(const QString& name, const QString& lineBelow, const QFontMetricsF& metrics,
                            double width) {
    return metrics.elidedText(allowanceNameOverLine(name, lineBelow), Qt::ElideMiddle, std::max(0.0, width));
}

} // namespace meterix
