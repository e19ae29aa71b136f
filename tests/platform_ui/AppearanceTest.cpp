#include "platform/ui/Appearance.h"

#include <QApplication>
#include <QWidget>
#include <QPalette>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Scheme = Appearance::Scheme;

TEST(Appearance, PortalPreferenceDecidesOverThePalette) {
    const QColor lightWindow(240, 240, 240);
    const QColor darkWindow(30, 30, 30);
    EXPECT_EQ(Appearance::resolve(1u, lightWindow), Scheme::dark);
    EXPECT_EQ(Appearance::resolve(2u, darkWindow), Scheme::light);
}

TEST(Appearance, WithoutPortalPreferenceThePaletteLightnessDecides) {
    EXPECT_EQ(Appearance::resolve(0u, QColor(30, 30, 30)), Scheme::dark);
    EXPECT_EQ(Appearance::resolve(std::nullopt, QColor(30, 30, 30)), Scheme::dark);
    EXPECT_EQ(Appearance::resolve(std::nullopt, QColor(240, 240, 240)), Scheme::light);
    // Lightness 128 is the first light value.
    EXPECT_EQ(Appearance::resolve(std::nullopt, QColor::fromHsl(0, 0, 127)), Scheme::dark);
    EXPECT_EQ(Appearance::resolve(std::nullopt, QColor::fromHsl(0, 0, 128)), Scheme::light);
}

TEST(Appearance, NoInformationAtAllMeansLight) {
    EXPECT_EQ(Appearance::resolve(std::nullopt, std::nullopt), Scheme::light);
    EXPECT_EQ(Appearance::resolve(0u, QColor()), Scheme::light);
    // A value the portal does not define is no preference.
    EXPECT_EQ(Appearance::resolve(7u, std::nullopt), Scheme::light);
}

TEST(Appearance, PortalChangesAreAnnouncedOncePerRealChange) {
    Appearance appearance(false);
    QSignalSpy changed(&appearance, &Appearance::changed);
    appearance.applyPortalColorScheme(1u);
    EXPECT_TRUE(appearance.isDark());
    appearance.applyPortalColorScheme(1u);
    EXPECT_EQ(changed.count(), 1);
    appearance.applyPortalColorScheme(2u);
    EXPECT_FALSE(appearance.isDark());
    EXPECT_EQ(changed.count(), 2);
}

TEST(Appearance, DarkPaletteIsFollowedWhenThePortalSaysNothing) {
    const QPalette original = QApplication::palette();
    Appearance appearance(false);
    EXPECT_EQ(appearance.scheme(), Scheme::light); // the offscreen platform's palette is light
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(28, 28, 30));
    QApplication::setPalette(dark);
    EXPECT_EQ(appearance.scheme(), Scheme::dark);
    appearance.applyPortalColorScheme(2u); // an explicit preference wins
    EXPECT_EQ(appearance.scheme(), Scheme::light);
    QApplication::setPalette(original);
}

TEST(Appearance, ReducedMotionFollowsTheDesktopsAnimationSwitch) {
    Appearance appearance(false);
    EXPECT_FALSE(appearance.reduceMotion());
    appearance.applyPortalAnimationsEnabled(false);
    EXPECT_TRUE(appearance.reduceMotion());
    appearance.applyPortalAnimationsEnabled(true);
    EXPECT_FALSE(appearance.reduceMotion());
    appearance.applyPortalAnimationsEnabled(false);
    appearance.applyPortalAnimationsEnabled(std::nullopt); // the setting vanished: animate
    EXPECT_FALSE(appearance.reduceMotion());
}

class PaintCounter final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(Appearance, AChangeRepaintsEveryWidget) {
    Appearance appearance(false);
    PaintCounter widget;
    widget.resize(20, 20);
    widget.show();
    QCoreApplication::processEvents();
    const int before = widget.paints;
    appearance.applyPortalColorScheme(2u); // no change: nothing to redraw
    QCoreApplication::processEvents();
    EXPECT_EQ(widget.paints, before);
    appearance.applyPortalColorScheme(1u);
    QCoreApplication::processEvents();
    EXPECT_GT(widget.paints, before);
    widget.hide();
}

} // namespace
} // namespace meterix
