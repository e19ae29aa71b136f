#pragma once

#include "core/Clock.h"
#include "core/TimerSource.h"
#include "shell/FloatingPanelSurface.h"
#include "shell/PanelCardCloser.h"
#include "shell/PanelCardSide.h"
#include "shell/PanelCatLink.h"
#include "shell/PanelDrag.h"
#include "shell/PanelFrameStore.h"
#include "shell/PanelPlacement.h"
#include "shell/PanelReanchor.h"
#include "shell/PanelReveal.h"

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>

namespace meterix {

class GlobalMouseMonitor;
class MeterixPreferences;
class ScreenPlacementEngine;

// Owns the floating bar's window and wires the parts that keep it: the first
// placement (PanelPlacement), the reveal (PanelReveal), the drag (PanelDrag),
// the card's side (PanelCardSide), closing the card (PanelCardCloser), the
// screens' changes (PanelReanchor, PanelScreenWatch) and the cat (PanelCatLink).
// Its own rule is how the window follows the content's size reports.
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
    enum class MouseEventKind { leftDown, leftDragged, leftUp, rightDown };

    // Builds the window at its initial frame; the controller keeps it for good.
    using PanelFactory = std::function<std::unique_ptr<FloatingPanelSurface>(const QRectF& initialFrame)>;

    FloatingPanelController(ScreenPlacementEngine& screens, MeterixPreferences& preferences, TimerSource& timers,
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
    // The application's mouse events, as the event filter hands them on; global
    // position, and whether the event belongs to the bar's window or to another
    // window of the application (neither: no window of ours).
    void handleMouseEvent(MouseEventKind kind, const QPointF& globalPosition, bool inPanelWindow);

    // The card's side and room, and the screen's width (see PanelCardSide): the
    // bar's content lays the card out with them and draws its segments compact
    // when the bar would not fit across.
    bool opensUpward() const { return cardSide_.opensUpward(); }
    double cardShift() const { return cardSide_.cardShift(); }
    double availableWidth() const { return cardSide_.availableWidth(); }
    double cardRoom() const { return cardSide_.cardRoom(); }
    bool isDragging() const { return drag_.isDragging(); }
    bool hasDraggedRecently() const { return drag_.hasDraggedRecently(); }
    void setCatDragging(bool dragging) { cat_.setCatDragging(dragging); }
    void setHoveringCat(bool hovering) { cat_.setHoveringCat(hovering); }

    double barBand() const { return cat_.barBand(); }
    bool isCardOpen() const { return closer_.isCardOpen(); }

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
    static constexpr double cardHeightThreshold = 127.6; // content taller than this shows a card
    static bool differsByMoreThanOnePoint(const QSizeF& a, const QSizeF& b);
    static bool isCardMode(bool cardOpen, double contentHeight);

    void setupPanel();
    void applyContentSize(const QSizeF& floored);
    void followAvailableWidth();
    PanelDrag::Hooks dragHooks();

    ScreenPlacementEngine& screens_;
    PreferencesPanelFrameStore store_;
    PanelWindow window_;
    PanelPlacement placement_;
    PanelCardSide cardSide_;
    PanelCatLink cat_;
    PanelCardCloser closer_;
    PanelReveal reveal_;
    PanelDrag drag_;
    PanelScreenWatch screenWatch_;
    PanelFactory panelFactory_;
    quint64 sizeReports_ = 0; // applied size reports, to tell one made in answer
    bool filterInstalled_ = false;
};

} // namespace meterix
