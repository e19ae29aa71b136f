// The panel by keyboard alone, the keys sent to its window as the desktop sends them.
#include "design/AccentColor.h"
#include "panels/KeyboardFocus.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuBarPopoverView.h"
#include "panels/MenuScreenHeader.h"
#include "panels/MenuScreenStack.h"
#include "panels/MenuSubScreen.h"

#include "PanelFixtures.h"
#include "support/gui/ScreenContextOfTests.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

namespace meterix {
namespace {

using P = AIProviderType;

class PanelKeyboardTest : public test::PanelTest {
  protected:
    PanelKeyboardTest() : view_(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav_, &clock_, {}})) {
        view_.setState(stateOf({P::claudeCode, P::openAICodex}, {measured(P::claudeCode, 70)}));
        view_.show();
        QApplication::setActiveWindow(&view_);
    }
    void key(int k, Qt::KeyboardModifiers mods = {}) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, k, mods);
            QCoreApplication::sendEvent(view_.windowHandle(), &e);
        }
    }
    QWidget* shown() { return test::stackOf(view_)->currentView(); }
    MenuBarNavigator nav_;
    MenuBarPopoverView view_;
};

// On the overview and on a provider's screen each control is named for the
// screen reader, and the keys go through them top to bottom (Tab and Down) or
// back (Shift-Tab and Up), round at the end; the one with focus wears the ring.
TEST_F(PanelKeyboardTest, TabAndArrowsGoThroughTheControlsTopToBottom) {
    ASSERT_TRUE(test::waitUntil([&] { return view_.isActiveWindow(); }));
    for (const MenuBarScreen& screen : {MenuBarScreen::overview(), MenuBarScreen::providerDetail(P::claudeCode)}) {
        nav_.push(screen);
        ASSERT_TRUE(test::waitUntil([&] { return !test::stackOf(view_)->isSliding(); }));
        const QList<QWidget*> controls = KeyboardFocus::chain(shown());
        ASSERT_GE(controls.size(), 3);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            EXPECT_FALSE(QAccessible::queryAccessibleInterface(controls[i])->text(QAccessible::Name).isEmpty());
            if (i > 0) EXPECT_GE(controls[i]->mapTo(shown(), QPoint()).y(), controls[i - 1]->mapTo(shown(), QPoint()).y());
        }
        for (const auto& [k, mods] : {std::pair{Qt::Key_Tab, Qt::NoModifier}, {Qt::Key_Down, Qt::NoModifier},
                                      {Qt::Key_Backtab, Qt::ShiftModifier}, {Qt::Key_Up, Qt::NoModifier}}) {
            const bool forward = k == Qt::Key_Tab || k == Qt::Key_Down;
            if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
            for (qsizetype i = 0; i <= controls.size(); ++i) {
                key(k, mods);
                const qsizetype at = forward ? i % controls.size() : (controls.size() - 1 - i % controls.size());
                EXPECT_EQ(QApplication::focusWidget(), controls[at]) << test::screenName(screen).toStdString() << ", key " << k;
            }
        }
        QWidget* ringed = QApplication::focusWidget();
        const auto top = [&] { return test::pixelAt(test::renderWidget(*ringed), ringed->width() / 2.0, 1).rgb(); };
        EXPECT_EQ(top(), accentColor().rgb());
        ringed->clearFocus();
        EXPECT_NE(top(), accentColor().rgb());
    }
}

// Enter and Space press the control with focus: a provider's row opens its
// screen with focus on the back button, which brings back the overview with
// focus on its first control.
TEST_F(PanelKeyboardTest, EnterAndSpaceOpenAProviderAndComeBack) {
    ASSERT_TRUE(test::waitUntil([&] { return view_.isActiveWindow(); }));
    for (const int press : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Space)}) {
        ASSERT_TRUE(test::waitUntil([&] { return !test::stackOf(view_)->isSliding(); }));
        key(Qt::Key_Down);
        key(Qt::Key_Down); // the second provider's row
        key(press);
        EXPECT_EQ(nav_.screen(), MenuBarScreen::providerDetail(P::openAICodex)) << press;
        EXPECT_EQ(QApplication::focusWidget(), qobject_cast<MenuSubScreen*>(shown())->header()->findChild<QAbstractButton*>(QStringLiteral("back")));
        key(press);
        EXPECT_EQ(nav_.screen(), MenuBarScreen::overview());
        EXPECT_EQ(QApplication::focusWidget(), KeyboardFocus::chain(shown()).value(0));
        if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
    }
}

} // namespace
} // namespace meterix
