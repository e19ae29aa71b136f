#pragma once

#include "shell/FloatingPanelSurface.h"
#include "shell/PanelReanchor.h"
#include "shell/ScreenPlacementEngine.h"
#include "core/Clock.h"
#include "core/TimerSource.h"

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTimer>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace meterix {

class GlobalMouseMonitor;
class MeterixPreferences;
class ScreenPlacementEngine;

// Where a drag of the bar started: the pointer (global) and the bar's frame.
struct PanelDragAnchor {
    QPointF pointer;
    QRectF barFrame;
};

// Owns the floating bar's window: where it first stands (the last resting place
// from the settings), keeping it hidden until the content has settled, resizing
// and re-anchoring it from the content's size reports, keeping it on screen when
// displays change, dragging it by the bar, closing the detail card on clicks
// outside it, deciding whether the card opens up or down, and saving the bar's
// resting frame. The pixel cat reports its hover and carry state here so bar
// drags stay out of its way.
//
// Coordinates are global logical pixels with y growing downwards; "resting
// frame" is the bar alone, without the card. GUI thread only.
class FloatingPanelController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool opensUpward READ opensUpward NOTIFY opensUpwardChanged)
    Q_PROPERTY(double cardShift READ cardShift NOTIFY cardShiftChanged)
    Q_PROPERTY(double availableWidth READ availableWidth NOTIFY availableWidthChanged)
    Q_PROPERTY(double cardRoom READ cardRoom NOTIFY cardRoomChanged)

public:
    // The first placement of the window, consumed by the first size report.
    struct InitialPlacement {
        enum class Kind { restored, restoredOrigin, topCenter };
        Kind kind = Kind::topCenter;
        QRectF savedFrame; // restored: the whole saved frame; restoredOrigin: its origin
        bool operator==(const InitialPlacement&) const = default;
    };
    struct PlacementChoice {
        InitialPlacement placement;
        QRectF initialFrame;
    };

    enum class MouseEventKind { leftDown, leftDragged, leftUp, rightDown };

    // Builds the window at its initial frame; the controller keeps it for good.
    using PanelFactory = std::function<std::unique_ptr<FloatingPanelSurface>(const QRectF& initialFrame)>;

    static constexpr double defaultWidth = 380;        // the window before the first size report
    static constexpr double cardHeightThreshold = 127.6; // content taller than this shows a card
    static constexpr double topInset = 4;              // first placement, below the visible top
    static constexpr double dragThreshold = 7;         // pointer travel before a press becomes a drag
    static constexpr double revealSettleDelay = 0.14;
    static constexpr double revealHardDeadline = 0.6;
    static constexpr double dragCooldown = 0.18;
    // Saved values beyond this many times the largest screen are not trusted.
    static constexpr double savedFrameExtentFactor = 4;

    using TimePoint = std::chrono::steady_clock::time_point;

    FloatingPanelController(ScreenPlacementEngine& placement, MeterixPreferences& preferences, TimerSource& timers,
                            const Clock& clock = Clock::system(), QObject* parent = nullptr);
    ~FloatingPanelController() override;

    void setPanelFactory(PanelFactory factory) { panelFactory_ = std::move(factory); }
    // How the controller sees and closes the detail card (the selected provider).
    void setCardHooks(std::function<bool()> isCardOpen, std::function<void()> closeCard);
    // Takes an outside-click monitor (raw presses anywhere on the desktop); it is
    // listened to only while a card is open.
    void setGlobalMouseMonitor(std::unique_ptr<GlobalMouseMonitor> monitor);

    // Builds the window on first use and brings it front; arms the reveal for
    // the hard deadline (0.6 s after the first request).
    void show();
    // The content's measured size. Sizes of 10 or less are ignored; during a drag
    // the size waits for the release.
    void updateContentSize(const QSizeF& size);
    // Recomputes opensUpward, cardShift and availableWidth from the resting
    // frame; never under an open card or during a drag. Once an opened card has
    // been measured, its side is settled again where it fits.
    void checkPlacementDirection();
    // The displays changed: the bar is brought back onto a screen.
    void screenParametersChanged();
    // The selection changed: outside clicks are listened for only while a card is open.
    void cardStateChanged();
    // Closes the card if one is open.
    void closePopoverIfOpen();

    // The application's mouse events, as the event filter hands them on; global
    // position, and whether the event belongs to the bar's window or to another
    // window of the application (neither: no window of ours).
    void handleMouseEvent(MouseEventKind kind, const QPointF& globalPosition, bool inPanelWindow);

    bool opensUpward() const { return opensUpward_; }
    // How far the card stands sideways from under the bar's centre, so that it
    // opens inside the visible frame of the bar's screen (negative: to the left).
    // The bar's content lays the card out with it and widens itself evenly, so
    // the window stays centred on the bar.
    double cardShift() const { return cardShift_; }
    // The visible width of the bar's screen: a bar that would not fit across it
    // draws its segments compact.
    double availableWidth() const { return availableWidth_; }
    // How much taller the open card may make the window on its side with the
    // card inside the visible frame; unbounded while no card is open. The bar's
    // content shortens a taller card to it.
    double cardRoom() const { return cardRoom_; }
    bool isDragging() const { return isDragging_; }
    bool hasDraggedRecently() const { return hasDraggedRecently_; }
    bool isCatDragging() const { return isCatDragging_; }
    void setCatDragging(bool dragging) { isCatDragging_ = dragging; }
    bool isHoveringCat() const { return isHoveringCat_; }
    void setHoveringCat(bool hovering) { isHoveringCat_ = hovering; }

    FloatingPanelSurface* panel() const { return panel_.get(); }
    QRectF restingBarFrame() const { return restingBarFrame_; }
    double currentPanelWidth() const { return currentPanelWidth_; }
    const std::optional<InitialPlacement>& pendingInitialPlacement() const { return pendingInitialPlacement_; }
    std::optional<QSizeF> pendingContentSize() const { return pendingContentSize_; }
    // When the pending reveal will happen; nothing when none is pending.
    std::optional<TimePoint> revealScheduledAt() const;
    // The bar's band inside the window: 58, or 78 while the cat sits on the bar.
    double barBand() const;
    bool isCardOpen() const;
    GlobalMouseMonitor* globalMouseMonitor() const { return globalMonitor_.get(); }

    // The rules, pure.

    // The first rule that applies: the whole saved frame when it is sane and
    // meets a visible frame; the saved origin at the default size when that
    // meets one; else the top centre of the primary screen.
    static PlacementChoice chooseInitialPlacement(double x, double y, double width, double height,
                                                  const ScreenPlacementEngine& placement);
    // Which way the card opens from a bar resting at barFrame (the rule of
    // ScreenPlacementEngine::cardOpensUpward on the visible frame under the
    // bar); cardExtent: how much taller the card makes the window.
    static bool opensUpwardFor(const QRectF& barFrame, const ScreenPlacementEngine& placement,
                               std::optional<double> cardExtent = std::nullopt);
    // Window-relative hit tests (origin at the window's top-left).
    static bool isLocationInsideBar(const QPointF& location, const QSizeF& window, bool opensUpward, double band);
    static bool isLocationInsideCard(const QPointF& location, const QSizeF& window, bool opensUpward, double band,
                                     bool cardOpen, double cardShift = 0);
    // The bar's part of a window that also shows the card.
    static QRectF barFrameWithin(const QRectF& panel, const QSizeF& restingSize, bool opensUpward);
    static bool passesDragThreshold(const QPointF& press, const QPointF& location);
    static bool differsByMoreThanOnePoint(const QSizeF& a, const QSizeF& b);
    static bool isCardMode(bool cardOpen, double contentHeight);
    // When a reveal requested now happens: 0.14 s later, never past the deadline.
    static TimePoint revealTime(TimePoint now, TimePoint deadline);

Q_SIGNALS:
    void opensUpwardChanged(bool opensUpward);
    void cardShiftChanged(double cardShift);
    void availableWidthChanged(double width);
    void cardRoomChanged(double room);
    // The window became visible (the first paint follows).
    void revealed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupPanel();
    void setupObservers();
    TimePoint revealHardDeadlineTime();
    void requestReveal();
    void armReveal(TimePoint at);
    void revealPanel();
    void persistRestingFrame();
    void setOpensUpward(bool value);
    void setCardShift(double value);
    void followCatBand();
    void followAvailableWidth();
    void settleCardSide(double cardExtent);
    void releaseCardSide();
    void beginDrag();
    void endPress();

    ScreenPlacementEngine& placement_;
    MeterixPreferences& preferences_;
    TimerSource& timers_;
    const Clock& clock_;
    PanelFactory panelFactory_;
    std::function<bool()> isCardOpen_;
    std::function<void()> closeCard_;

    std::unique_ptr<FloatingPanelSurface> panel_;
    std::unique_ptr<GlobalMouseMonitor> globalMonitor_;
    bool isDragging_ = false;
    bool takesKeyboard_ = false; // the window takes the keys for an open card
    bool hasDraggedRecently_ = false;
    bool isCatDragging_ = false;
    bool isHoveringCat_ = false;
    bool opensUpward_ = false;
    double cardShift_ = 0;
    double availableWidth_ = ScreenPlacementEngine::fallbackVisibleFrame().width();
    // The open card's side has been chosen (from its measured height).
    bool cardDirectionSettled_ = false;
    double cardRoom_ = std::numeric_limits<double>::infinity();
    quint64 sizeReports_ = 0; // applied size reports, to tell one made in answer
    // Whether the resting frame holds the cat's band above the bar.
    bool restingWithCat_ = false;
    QRectF restingBarFrame_;
    QPointF pressLocationInWindow_;
    std::optional<PanelDragAnchor> dragAnchor_;
    std::optional<QSizeF> pendingContentSize_;
    bool hasMovedPastThreshold_ = false;
    bool isMouseDownInBar_ = false;
    bool filterInstalled_ = false;
    double currentPanelWidth_ = defaultWidth;
    std::optional<InitialPlacement> pendingInitialPlacement_;
    TimerSource::Id revealToken_ = 0;
    std::optional<TimePoint> revealAt_;
    std::optional<TimePoint> revealDeadline_;
    TimerSource::Id cooldownToken_ = 0;
    QTimer screenChangeCoalescer_;
};

} // namespace meterix
