#include "panels/MenuBarNavigator.h"

namespace meterix {

MenuBarNavigator::MenuBarNavigator(QObject* parent) : QObject(parent) {}

void MenuBarNavigator::push(const MenuBarScreen& target) {
    if (target == screen_) return;
    setIsForward(true);
    setScreen(target, true);
}

void MenuBarNavigator::popToRoot() {
    if (screen_.isOverview()) return;
    setIsForward(false);
    setScreen(MenuBarScreen::overview(), true);
}

void MenuBarNavigator::reset() {
    setIsForward(true);
    setScreen(MenuBarScreen::overview(), false);
}

void MenuBarNavigator::setIsForward(bool forward) {
    if (forward == isForward_) return;
    isForward_ = forward;
    Q_EMIT isForwardChanged(forward);
}

void MenuBarNavigator::setScreen(const MenuBarScreen& screen, bool animated) {
    // A reset on the overview still goes out: a view sliding towards the
    // overview must stop at once and stand still.
    if (screen == screen_ && animated) return;
    screen_ = screen;
    Q_EMIT screenChanged(screen_, animated);
}

} // namespace meterix
