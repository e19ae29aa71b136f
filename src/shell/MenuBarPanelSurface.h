#pragma once

#include <QEasingCurve>
#include <QRectF>

#include <functional>

class QObject;

namespace meterix {

// What the status-item panel's controller does with its window. The real window
// is MenuBarPanel; keeping the controller to this much lets its rules run
// without a display. Frames are global, in logical pixels, y growing downwards.
class MenuBarPanelSurface {
  public:
    virtual ~MenuBarPanelSurface() = default;

    virtual QRectF frame() const = 0;
    // Moves at once; an animation under way ends at this frame instead.
    virtual void setFrame(const QRectF& frame) = 0;
    virtual double alpha() const = 0;
    virtual void setAlpha(double alpha) = 0;
    // Moves frame and alpha to these over seconds along curve, from where they
    // are; done runs when it ends (also when a later animation cuts it short).
    virtual void animate(const QRectF& frame, double alpha, double seconds, const QEasingCurve& curve,
                         std::function<void()> done) = 0;

    // Shows the window above the others and gives it the keyboard.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;

    // The tallest content (its margin included) that fits where the panel
    // opens: the content shortens its scrolling area to stay within it.
    virtual void setContentHeightLimit(double height) = 0;

    // Whether a window object (the target of an application event) is this one.
    virtual bool isWindow(const QObject* window) const = 0;
};

} // namespace meterix
