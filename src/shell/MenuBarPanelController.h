#pragma once

#include "core/Clock.h"
#include "core/TimerSource.h"
#include "shell/MenuBarPanelSurface.h"
#include "shell/ScreenPlacementEngine.h"

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>

namespace meterix {

class GlobalMouseMonitor;

// Owns the status-item panel's window: it opens it under the status item (or,
// where the tray tells nothing of where its icon is, at the top right of the
// screen under the pointer), fades and slides it in, fades it out, follows the
// content's size, closes it on clicks outside its card, handles its keyboard
// commands, puts the navigation back on the overview each time and asks for
// fresh figures whenever it opens. The window and everything it shows come
// through hooks, so the shell never sees the panel's screens.
//
// Coordinates are global logical pixels with y growing downwards. GUI thread.
class MenuBarPanelController : public QObject {
    Q_OBJECT

  public:
    // Builds the window (with its content) at its first frame; kept for good.
    using PanelFactory = std::function<std::unique_ptr<MenuBarPanelSurface>(const QRectF& initialFrame)>;

    // What the panel does that lies outside the shell.
    struct Hooks {
        std::function<void()> resetNavigation; // the overview, moving forward, at once
        std::function<void()> openSettings;    // the settings screen
        std::function<void()> refreshAll;      // every provider, bypassing caches
        std::function<void()> refreshOnOpen;   // the active providers, on demand
        std::function<void()> quit;
        std::function<QRectF()> statusItemFrame; // the tray icon, global; empty when unknown
        std::function<QPointF()> pointer;        // where the pointer is, global
    };

    enum class KeyCommand { none, hide, refreshAll, openSettings, quit };

    static constexpr double cardMargin = ScreenPlacementEngine::StatusPanel::cardMargin;
    static constexpr double slideDistance = 7; // the panel comes down this far as it shows
    static constexpr double showSeconds = 0.18;
    static constexpr double hideSeconds = 0.13;
    static constexpr double resizeSeconds = 0.24;
    static constexpr double settleSeconds = 0.22; // size changes apply at once this long after a show
    // A tray in another program sees a click on its icon after our monitor has
    // taken it for a click elsewhere and closed the panel: an activation without
    // an icon frame this soon after such a close leaves the panel closed.
    static constexpr double trayRaceSeconds = 0.3;
    static QSizeF initialContentSize() { return QSizeF(372, 320); }

    MenuBarPanelController(ScreenPlacementEngine& placement, TimerSource& timers,
                           const Clock& clock = Clock::system(), QObject* parent = nullptr);
    ~MenuBarPanelController() override;

    void setPanelFactory(PanelFactory factory) { panelFactory_ = std::move(factory); }
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Takes a monitor of presses in other applications' windows; listened to
    // only while the panel is open.
    void setGlobalMouseMonitor(std::unique_ptr<GlobalMouseMonitor> monitor);

    bool isVisible() const { return isVisible_; }
    QSizeF contentSize() const { return contentSize_; }

    // The status item was clicked (iconFrame: where the tray shows it, empty when
    // it does not say); also what a second start of the app asks for.
    void toggle(const QRectF& iconFrame = QRectF());
    // Opens the panel under anchor (empty: the previous anchor).
    void show(const QRectF& anchor);
    void hide();
    // The content's measured size, its margin included.
    void updateContentSize(const QSizeF& size);
    // A key pressed while the panel has the keyboard; true when it was taken.
    bool handleKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // A mouse press anywhere in the application (global position).
    void handleMouseDown(const QPointF& globalPosition);

    // The rules, pure.

    // Whether a new content size is taken: larger than 1 pt both ways and more
    // than half a point away from the last one in either.
    static bool acceptsContentSize(const QSizeF& size, const QSizeF& current);
    // The panel's keys: Escape and Ctrl+W hide, Ctrl+R refreshes, Ctrl+, opens
    // the settings, Ctrl+Q quits; only the Ctrl flag counts among the modifiers.
    static KeyCommand keyCommand(int key, Qt::KeyboardModifiers modifiers);
    // The card: the panel's frame less its margin.
    static QRectF cardFrame(const QRectF& panelFrame);
    // The curve of a resize: a fast start and a long, soft landing.
    static QEasingCurve resizeCurve();

  Q_SIGNALS:
    void visibilityChanged(bool visible);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ensurePanelCreated();
    QRectF anchoredFrame(const QSizeF& size) const;
    void limitContentHeight();
    void startEventMonitoring();
    void stopEventMonitoring();
    void hideForOutsideClick();

    ScreenPlacementEngine& placement_;
    TimerSource& timers_;
    const Clock& clock_;
    PanelFactory panelFactory_;
    Hooks hooks_;
    std::unique_ptr<MenuBarPanelSurface> panel_;
    std::unique_ptr<GlobalMouseMonitor> globalMonitor_;
    QRectF anchorRect_;
    QSizeF contentSize_ = initialContentSize();
    bool isSettling_ = false;
    bool isVisible_ = false;
    bool monitoring_ = false;
    TimerSource::Id settleToken_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastOutsideHide_;
};

} // namespace meterix
