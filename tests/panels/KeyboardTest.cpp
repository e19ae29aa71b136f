// The panel by keyboard alone, as the window hands the keys on: the controls
// in the order they are seen, a ring on the one with focus, and Enter and
// Space pressing it.
#include "design/AccentColor.h"
#include "panels/KeyboardFocus.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuBarPopoverView.h"
#include "panels/MenuScreenHeader.h"
#include "panels/MenuScreenStack.h"
#include "panels/MenuSubScreen.h"

#include "PanelFixtures.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

namespace meterix {
namespace {

using P = AIProviderType;

class PanelKeyboardTest : public test::PanelTest {
  protected:
    // A key pressed and let go, sent to the window as the desktop sends it.
    static void key(QWidget& window, int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, k, mods);
            QCoreApplication::sendEvent(window.windowHandle(), &e);
        }
    }
    static QWidget* focus() { return QApplication::focusWidget(); }
    // The controls visited by pressing k once per control from the first.
    static QList<QWidget*> visited(QWidget& window, int k, int count, Qt::KeyboardModifiers mods = {}) {
        QList<QWidget*> seen;
        for (int i = 0; i < count; ++i) {
            key(window, k, mods);
            seen << focus();
        }
        return seen;
    }
    static QString spoken(QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : QString();
    }
};

// On the overview and on a provider's screen the keys reach every control, top
// to bottom, each named for the screen reader: Tab and Down forward, round to
// the first; Shift-Tab and Up back. The control with focus wears the ring.
TEST_F(PanelKeyboardTest, TabAndArrowsGoThroughTheControlsTopToBottom) {
    for (const MenuBarScreen& screen : {MenuBarScreen::overview(), MenuBarScreen::providerDetail(P::claudeCode)}) {
        SCOPED_TRACE(screen.debugName().toStdString());
        MenuBarNavigator nav;
        MenuBarPopoverView view(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}});
        view.setState(stateOf({P::claudeCode, P::openAICodex}, {measured(P::claudeCode, 70)}));
        view.show();
        view.activateWindow();
        QApplication::setActiveWindow(&view);
        ASSERT_TRUE(test::waitUntil([&] { return view.isActiveWindow(); }));
        nav.push(screen);
        ASSERT_TRUE(test::waitUntil([&] { return !view.screenStack()->isSliding(); }));
        QWidget* shown = view.screenStack()->currentView();
        const QList<QWidget*> controls = KeyboardFocus::chain(shown);
        ASSERT_GE(controls.size(), 3);
        for (qsizetype i = 1; i < controls.size(); ++i)
            EXPECT_GE(controls[i]->mapTo(shown, QPoint()).y(), controls[i - 1]->mapTo(shown, QPoint()).y());
        for (QWidget* c : controls)
            EXPECT_FALSE(spoken(c).isEmpty()) << c->metaObject()->className();

        struct Row { const char* name; int key; Qt::KeyboardModifiers mods; bool forward; };
        for (const Row& r : {Row{"Tab", Qt::Key_Tab, {}, true}, Row{"Down", Qt::Key_Down, {}, true},
                             Row{"Shift-Tab", Qt::Key_Backtab, Qt::ShiftModifier, false},
                             Row{"Up", Qt::Key_Up, {}, false}}) {
            SCOPED_TRACE(r.name);
            if (focus()) focus()->clearFocus();
            QList<QWidget*> expected = controls;
            if (!r.forward) std::reverse(expected.begin(), expected.end());
            expected << expected.first(); // round again
            EXPECT_EQ(visited(view, r.key, int(expected.size()), r.mods), expected);
        }
        // The ring in the accent colour along the top of the control with focus.
        QWidget* ringed = focus();
        ASSERT_TRUE(ringed);
        const QImage image = test::renderWidget(*ringed);
        const QColor top = test::pixelAt(image, ringed->width() / 2.0, KeyboardFocus::ringWidth / 2);
        EXPECT_EQ(top.rgb(), accentColor().rgb()) << ringed->metaObject()->className();
        ringed->clearFocus();
        const QColor without = test::pixelAt(test::renderWidget(*ringed), ringed->width() / 2.0, 1);
        EXPECT_NE(without.rgb(), accentColor().rgb());
    }
}

// Enter and Space press the control with focus: a provider's row opens its
// screen with focus on its back button, which takes the panel back to the
// overview, focus on its first control.
TEST_F(PanelKeyboardTest, EnterAndSpaceOpenAProviderAndComeBack) {
    for (const int press : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Space)}) {
        SCOPED_TRACE(press);
        MenuBarNavigator nav;
        MenuBarPopoverView view(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}});
        view.setState(stateOf({P::claudeCode, P::openAICodex}, {measured(P::claudeCode, 70)}));
        view.show();
        view.activateWindow();
        QApplication::setActiveWindow(&view);
        ASSERT_TRUE(test::waitUntil([&] { return view.isActiveWindow(); }));
        key(view, Qt::Key_Down);
        key(view, Qt::Key_Down); // the second provider's row
        key(view, press);
        EXPECT_EQ(nav.screen(), MenuBarScreen::providerDetail(P::openAICodex));
        auto* screen = qobject_cast<MenuSubScreen*>(view.screenStack()->currentView());
        ASSERT_TRUE(screen && screen->header());
        EXPECT_EQ(focus(), screen->header()->backButton());
        key(view, press);
        EXPECT_EQ(nav.screen(), MenuBarScreen::overview());
        ASSERT_TRUE(test::waitUntil([&] { return !view.screenStack()->isSliding(); }));
        EXPECT_EQ(focus(), KeyboardFocus::chain(view.screenStack()->currentView()).value(0));
    }
}

} // namespace
} // namespace meterix
