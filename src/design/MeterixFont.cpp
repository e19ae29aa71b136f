#include "design/MeterixFont.h"

#include <QGuiApplication>
#include <QScreen>

namespace meterix {

namespace {

QFont make(const QStringList& families, double size, QFont::Weight weight) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(MeterixFont::pointSizeForPixels(size, MeterixFont::logicalDpi()));
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

const QStringList& MeterixFont::roundedFamilies() {
    // NanumSquareRound is rounded and holds both Hangul and Latin; the rest catch
    // machines without it.
    static const QStringList families = {QStringLiteral("NanumSquareRound"), QStringLiteral("M PLUS Rounded 1c"),
                                         QStringLiteral("Nunito"), QStringLiteral("NanumBarunGothic"),
                                         QStringLiteral("NanumGothic"), QStringLiteral("DejaVu Sans")};
    return families;
}

const QStringList& MeterixFont::systemFamilies() {
    static const QStringList families = {QStringLiteral("NanumBarunGothic"), QStringLiteral("NanumGothic"),
                                         QStringLiteral("DejaVu Sans")};
    return families;
}

QFont MeterixFont::rounded(double size, QFont::Weight weight) { return make(roundedFamilies(), size, weight); }

QFont MeterixFont::system(double size, QFont::Weight weight) { return make(systemFamilies(), size, weight); }

QFont MeterixFont::serif(double size, QFont::Weight weight) {
    static const QStringList families = {QStringLiteral("NanumMyeongjo"), QStringLiteral("DejaVu Serif"),
                                         QStringLiteral("serif")};
    return make(families, size, weight);
}

QFont MeterixFont::sectionHeaderStyle() {
    QFont font = sectionHeader();
    font.setLetterSpacing(QFont::AbsoluteSpacing, sectionHeaderTracking);
    font.setCapitalization(QFont::AllUppercase);
    return font;
}

double MeterixFont::pointSizeForPixels(double pixels, double logicalDpi) {
    if (!(logicalDpi > 0)) logicalDpi = 96.0;
    if (!(pixels > 0)) pixels = 1.0;
    return pixels * 72.0 / logicalDpi;
}

double MeterixFont::logicalDpi() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->logicalDotsPerInchY();
    return 96.0;
}

} // namespace meterix
