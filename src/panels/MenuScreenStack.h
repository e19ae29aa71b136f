#pragma once

#include "design/SpringAnimator.h"
#include "panels/MenuBarScreen.h"
#include "panels/PushOffsetEffect.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace meterix {

class MenuBarNavigator;

// The panel's screen area: it shows the one screen the navigator names and
// slides the old screen out and the new one in when the navigator moves. Each
// kind of screen is built by a factory registered for it; a screen whose kind has
// no factory shows the overview's view. It measures the screens it holds (the
// taller of the two during a slide) and reports that height; it never sizes
// itself. Screens get the stack's width and their own height. Its screens are
// used by keyboard alone (KeyboardFocus): a move made from the keyboard puts
// focus on the new screen's first control.
class MenuScreenStack : public QWidget {
    Q_OBJECT

  public:
    using Factory = std::function<QWidget*(const MenuBarScreen& screen)>;

    explicit MenuScreenStack(QWidget* parent = nullptr);

    void registerScreen(MenuBarScreen::Kind kind, Factory factory);

    // Follows the navigator from now on, starting with its current screen.
    void follow(MenuBarNavigator& navigator);
    // Shows screen; animated slides in direction forward, else swaps at once
    // (and ends a slide under way, leaving the screen at rest).
    void showScreen(const MenuBarScreen& screen, bool animated, bool forward);
    // Builds the shown screen's view again, at rest (its texts follow a new language).
    void rebuildCurrent();
    // Draws the screen sliding out dy lower (higher when negative) than the one
    // coming in, until the slide ends: the area that shows them scrolled by dy
    // as the new screen came, and the old one leaves from where it was seen.
    void shiftOutgoing(int dy);

    const MenuBarScreen& screen() const { return screen_; }
    QWidget* currentView() const { return current_; }
    bool isSliding() const { return slide_.state() == QAbstractAnimation::Running; }

    // The height the screens need now (the larger of both during a slide).
    double measuredHeight() const;

  Q_SIGNALS:
    void measuredHeightChanged(double height);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void swapTo(const MenuBarScreen& screen, bool animated, bool forward);
    QWidget* build(const MenuBarScreen& screen);
    void adopt(QWidget* view);
    void applySlide(double t);
    void finishSlide();
    void placeViews();
    void remeasure();
    static double heightOf(QWidget* view, int width);

    QHash<MenuBarScreen::Kind, Factory> factories_;
    MenuBarScreen screen_;
    QPointer<QWidget> current_;
    QPointer<QWidget> outgoing_;
    MenuPushTransition transition_ = MenuPushTransition::menuPush(true);
    int outgoingDy_ = 0;
    SpringAnimator slide_;
    double reported_ = -1;
    bool remeasureQueued_ = false;
};

} // namespace meterix
