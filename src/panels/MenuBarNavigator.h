#pragma once

#include "panels/MenuBarScreen.h"

#include <QObject>

namespace meterix {

// The one record of which screen the status-item panel shows and which way the
// last move went (forward: deeper, towards a detail, settings or about; back:
// to the overview). Views and the panel's window move between screens only
// through push, popToRoot and reset. The direction is always announced before
// the screen, so a view that builds its slide on the screen change already
// knows which way to slide both the incoming and the outgoing screen. GUI
// thread only.
class MenuBarNavigator : public QObject {
    Q_OBJECT

  public:
    explicit MenuBarNavigator(QObject* parent = nullptr);

    const MenuBarScreen& screen() const { return screen_; }
    bool isForward() const { return isForward_; }

    // Goes to target, sliding; nothing at all when it is already shown.
    void push(const MenuBarScreen& target);
    // Back to the overview, sliding; nothing at all on the overview.
    void popToRoot();
    // The overview, moving forward, at once (no slide): the panel opens here.
    void reset();

  Q_SIGNALS:
    void isForwardChanged(bool isForward);
    // animated: the change slides on the popover spring; otherwise it is instant.
    void screenChanged(const meterix::MenuBarScreen& screen, bool animated);

  private:
    void setIsForward(bool forward);
    void setScreen(const MenuBarScreen& screen, bool animated);

    MenuBarScreen screen_;
    bool isForward_ = true;
};

} // namespace meterix
