#pragma once

#include <QFont>
#include <QStringList>

namespace meterix {

// The type scale. Sizes are logical pixels (an 11.5 "pt" text is 11.5 logical
// pixels tall in em, as on the platform the sizes come from), turned into Qt
// point sizes with the screen's logical DPI so fractional sizes survive. The
// family chain is rounded first and covers Hangul.
class MeterixFont {
public:
    static QFont rounded(double size, QFont::Weight weight);
    // The plain (non-rounded) system face at a size, for symbols set beside text.
    static QFont system(double size, QFont::Weight weight);
    // The serif face (with Hangul), for the few texts set in it.
    static QFont serif(double size, QFont::Weight weight);

    static QFont hero() { return rounded(28, QFont::Bold); }
    static QFont title() { return rounded(15, QFont::Bold); }
    static QFont row() { return rounded(12, QFont::Medium); }
    static QFont barValue() { return rounded(11.5, QFont::DemiBold); }
    static QFont caption() { return rounded(10.5, QFont::Medium); }
    static QFont sectionHeader() { return rounded(9.5, QFont::Bold); }

    // The section-header style: sectionHeader, tracked by 0.7, upper case. Draw it
    // in the secondary label colour.
    static QFont sectionHeaderStyle();
    static constexpr double sectionHeaderTracking = 0.7;

    // The Qt point size that renders at pixels logical pixels under logicalDpi.
    static double pointSizeForPixels(double pixels, double logicalDpi);
    // The logical DPI fonts are sized for (the primary screen's; 96 without one).
    static double logicalDpi();

    static const QStringList& roundedFamilies();
    static const QStringList& systemFamilies();
};

} // namespace meterix
