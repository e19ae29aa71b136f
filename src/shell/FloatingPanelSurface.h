#pragma once

#include <QPointF>
#include <QRectF>

#include <memory>

class QObject;

namespace meterix {

// What the floating bar's controller does with its window. The real window is
// FloatingPanel; keeping the controller to this much lets its rules run without
// a display. Frames are global, in logical pixels, y growing downwards.
class FloatingPanelSurface {
public:
    virtual ~FloatingPanelSurface() = default;

    virtual QRectF frame() const = 0;
    // Both move at once, without animation.
    virtual void setFrame(const QRectF& frame) = 0;
    virtual void setOrigin(const QPointF& origin) = 0;

    // The window stays invisible from creation until reveal(), then shows for good.
    virtual bool isRevealed() const = 0;
    virtual void reveal() = 0;
    // Brings a revealed window above the others without activating it.
    virtual void orderFront() = 0;

    // While a card is open the window takes the keyboard (Escape closes the
    // card); otherwise it never takes focus.
    virtual void setTakesKeyboard(bool /*takes*/) {}

    // Whether a window object (the target of an application event) is this one.
    virtual bool isWindow(const QObject* window) const = 0;
};

// The bar's window and where the bar rests, as the parts of its controller
// share them. The resting frame is the bar alone, without the card; it is
// empty until the window has been placed.
struct PanelWindow {
    std::unique_ptr<FloatingPanelSurface> surface;
    QRectF resting;

    bool hasResting() const {
        return resting.x() != 0 || resting.y() != 0 || resting.width() != 0 || resting.height() != 0;
    }
    // The bar's frame: the resting one once known, else the window's.
    QRectF bar() const { return hasResting() ? resting : surface->frame(); }
};

} // namespace meterix
