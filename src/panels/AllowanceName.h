#pragma once

#include <QString>

class QFontMetricsF;

namespace meterix {

// An allowance's name as its row shows it over the line that already gives its
// window: "GPT-5.3-Spark · 5-hour limit" over "5-hour limit" reads
// "GPT-5.3-Spark". A name that does not end in that line stays whole.
QString allowanceNameOverLine(const QString& name, const QString& lineBelow);

// The name above made to fit width: cut in the middle, so that both of its
// distinguishing ends stay.
QString fittedAllowanceName(const QString& name, const QString& lineBelow, const QFontMetricsF& metrics,
                            double width);

} // namespace meterix
