#include "core/MeterixPreferences.h"
#include "platform/ui/XInputMouseMonitor.h"
#include "shell/AppDelegate.h"
#include "shell/FloatingPanel.h"
#include "shell/FloatingPanelController.h"
#include "shell/ScreenPlacementEngine.h"

#include "support/WaitUntil.h"
#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/gui/GrabSupport.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace meterix {
namespace {

class AppShell : public ::testing::Test {
protected:
    AppShell()
        : settings_(std::make_shared<QSettings>(dir_.filePath(QStringLiteral("prefs.conf")), QSettings::IniFormat)),
          prefs_(settings_), engine_([] { return ScreenPlacementEngine::systemScreens(); }),
          controller_(engine_, prefs_, timers_, clock_) {
        prefs_.setPixelCatEnabled(false);
        controller_.setPanelFactory([this](const QRectF& frame) {
            auto* content = new QWidget;
            button_ = new QPushButton(content);
            button_->setGeometry(20, 20, 100, 34);
            auto panel = std::make_unique<FloatingPanel>(frame, content);
            window_ = panel.get();
            return panel;
        });
    }

    QTemporaryDir dir_;
    std::shared_ptr<QSettings> settings_;
    MeterixPreferences prefs_;
    ScreenPlacementEngine engine_;
    test::FakeClock clock_;
    test::FakeTimerSource timers_{clock_};
    FloatingPanelController controller_;
    FloatingPanel* window_ = nullptr;
    QPushButton* button_ = nullptr;
};

TEST_F(AppShell, BarWindowIsAFramelessToolThatNeverTakesFocus) {
    const Qt::WindowFlags flags = FloatingPanel::panelFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);

    FloatingPanel panel(QRectF(100.4, 30.6, 380, 58), new QWidget);
    EXPECT_TRUE(panel.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(panel.geometry(), QRect(100, 31, 380, 58));
    EXPECT_EQ(panel.content()->geometry(), QRect(0, 0, 380, 58));
    EXPECT_FALSE(panel.isVisible()); // unmapped until revealed
    panel.orderFront();
    EXPECT_FALSE(panel.isVisible());
    panel.setFrame(QRectF(10, 10, 500, 140));
    EXPECT_EQ(panel.content()->size(), QSize(500, 140));
}

TEST_F(AppShell, RevealShowsTheWindowAndReportsItsFirstPaint) {
    controller_.show();
    ASSERT_TRUE(window_);
    EXPECT_FALSE(window_->isVisible());
    bool painted = false;
    QObject::connect(window_, &FloatingPanel::firstPainted, [&] { painted = true; });
    timers_.advance(0.6);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(window_->isWindow(window_->windowHandle()));
    EXPECT_FALSE(window_->isWindow(nullptr));
    EXPECT_TRUE(test::waitUntil([&] { return painted; }));
    EXPECT_TRUE(window_->windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

TEST_F(AppShell, TheReleaseEndingADragReachesTheWidgetAfterTheFilterMarkedIt) {
    controller_.show();
    timers_.advance(0.6);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    int taps = 0;
    int ignored = 0;
    // The bar's segments act on a click only when no drag just ended.
    QObject::connect(button_, &QPushButton::clicked, [&] {
        (controller_.isDragging() || controller_.hasDraggedRecently() ? ignored : taps)++;
    });

    // Events go to the window, as the platform delivers them, so they pass the
    // application's filter before the widget.
    QWindow* window = window_->windowHandle();
    const QPoint onButton(70, 37); // window coordinates, inside the 58 px band
    QTest::mouseClick(window, Qt::LeftButton, {}, onButton);
    EXPECT_EQ(taps, 1);

    const QPoint start = window_->pos();
    QTest::mousePress(window, Qt::LeftButton, {}, onButton);
    QTest::mouseMove(window, onButton + QPoint(7, 0)); // 7 px: still a press
    EXPECT_FALSE(controller_.isDragging());
    QTest::mouseMove(window, onButton + QPoint(10, 0)); // beyond 7: a drag
    EXPECT_TRUE(controller_.isDragging());
    EXPECT_EQ(window_->pos(), start + QPoint(10, 0));
    // The window followed the pointer, so the button is under it again.
    QTest::mouseRelease(window, Qt::LeftButton, {}, onButton);
    EXPECT_FALSE(controller_.isDragging());
    EXPECT_EQ(ignored, 1);
    EXPECT_EQ(taps, 1);
    timers_.advance(PanelDrag::cooldown);
    QTest::mouseClick(window, Qt::LeftButton, {}, onButton);
    EXPECT_EQ(taps, 2);
}

TEST_F(AppShell, LaunchClearsTheOldSettingsWindowFrameAndShowsTheBar) {
    settings_->setValue(QStringLiteral("NSWindow Frame com_apple_SwiftUI_Settings_window"), QStringLiteral("1 2 3 4"));
    settings_->setValue(QStringLiteral("soundEnabled"), false);
    AppDelegate delegate(controller_, settings_);
    delegate.applicationDidFinishLaunching();
    EXPECT_FALSE(settings_->contains(QStringLiteral("NSWindow Frame com_apple_SwiftUI_Settings_window")));
    EXPECT_TRUE(settings_->contains(QStringLiteral("soundEnabled")));
    ASSERT_TRUE(delegate.statusItem());
    EXPECT_EQ(delegate.statusItem()->toolTip(), QStringLiteral("Meterix"));
    EXPECT_FALSE(delegate.statusItem()->icon().isNull());
    EXPECT_TRUE(window_ != nullptr);
}

TEST_F(AppShell, EveryKindOfClickOnTheStatusItemTogglesOnceAndDoubleClicksNotAgain) {
    AppDelegate delegate(controller_, settings_);
    delegate.applicationDidFinishLaunching();
    QSystemTrayIcon* item = delegate.statusItem();
    Q_EMIT item->activated(QSystemTrayIcon::Trigger); // before a toggle exists: nothing
    int toggles = 0;
    delegate.setStatusMenuToggle([&] { ++toggles; });
    Q_EMIT item->activated(QSystemTrayIcon::Trigger);
    Q_EMIT item->activated(QSystemTrayIcon::DoubleClick);
    Q_EMIT item->activated(QSystemTrayIcon::Context);
    Q_EMIT item->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(toggles, 3);
}

// The status item shows the app's sparkles tile as the installed icon draws
// it: the tile's gradient from top to bottom, white sparkles, clear corners;
// and the installed icon's gradient is the same two colours.
TEST(AppIcon, TheStatusItemShowsTheInstalledIconsSparklesTile) {
    const QList<QColor> colours = AppDelegate::iconColors();
    ASSERT_EQ(colours.size(), 2);
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
               std::abs(a.blue() - b.blue()) <= 12;
    };
    struct Row {
        int side;
        qreal ratio;
    };
    for (const Row& r : {Row{16, 1}, Row{22, 1}, Row{32, 2}, Row{64, 1}}) {
        SCOPED_TRACE(r.side);
        const QImage image = AppDelegate::sparklesImage(r.side, r.ratio);
        const int n = int(r.side * r.ratio);
        ASSERT_EQ(image.size(), QSize(n, n));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(n - 1, 0)), 0);
        // Above and below the sparkles, the gradient's ends; the large star's
        // centre (9, 12 on the symbol's 24 grid) is white.
        EXPECT_TRUE(near(image.pixelColor(n / 2, n * 3 / 32), colours.first()))
            << image.pixelColor(n / 2, n * 3 / 32).name().toStdString();
        EXPECT_TRUE(near(image.pixelColor(n / 2, n - 1 - n * 3 / 32), colours.last()))
            << image.pixelColor(n / 2, n - 1 - n * 3 / 32).name().toStdString();
        const double tile = n * 120.0 / 128, box = tile * 0.6, boxLeft = (n - box) / 2;
        EXPECT_EQ(image.pixelColor(int(boxLeft + box * 9 / 24), int(boxLeft + box * 12 / 24)),
                  QColor(Qt::white));
    }

    QFile svg(QStringLiteral(METERIX_RESOURCES "/meterix.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QStringList stops;
    // The fill's stops (the rim's carry an opacity).
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("stop") &&
            xml.attributes().value(QLatin1String("stop-opacity")).isEmpty())
            stops << xml.attributes().value(QLatin1String("stop-color")).toString();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(stops, (QStringList{colours.first().name(), colours.last().name()}));
    test::saveGrab(test::onBackdrop(AppDelegate::sparklesImage(24, 2.0), QColor(40, 40, 40)),
                   QStringLiteral("status-item-dark"));
    test::saveGrab(test::onBackdrop(AppDelegate::sparklesImage(24, 2.0), QColor(235, 235, 235)),
                   QStringLiteral("status-item-light"));
}

TEST(AppPlatform, WaylandSessionsUseXWaylandUnlessTheUserChose) {
    EXPECT_EQ(AppDelegate::platformOverride("", "wayland-0", "", ":0"), QByteArray("xcb"));
    EXPECT_EQ(AppDelegate::platformOverride("", "", "wayland", ":1"), QByteArray("xcb"));
    EXPECT_EQ(AppDelegate::platformOverride("wayland", "wayland-0", "wayland", ":0"), std::nullopt);
    EXPECT_EQ(AppDelegate::platformOverride("", "", "x11", ":0"), std::nullopt);
    EXPECT_EQ(AppDelegate::platformOverride("", "wayland-0", "wayland", ""), std::nullopt);
}

TEST(AppPlatform, OutsideClicksNeedAnXServer) {
    // The tests run offscreen: no X display, so no monitor (and no closing by
    // outside clicks), and nothing fails.
    EXPECT_EQ(XInputMouseMonitor::create(), nullptr);
    EXPECT_TRUE(XInputMouseMonitor::isPressButton(1));
    EXPECT_TRUE(XInputMouseMonitor::isPressButton(3));
    EXPECT_TRUE(XInputMouseMonitor::isPressButton(8));
    for (uint32_t wheel : {4u, 5u, 6u, 7u}) EXPECT_FALSE(XInputMouseMonitor::isPressButton(wheel));
    EXPECT_FALSE(XInputMouseMonitor::isPressButton(0));
}

} // namespace
} // namespace meterix
