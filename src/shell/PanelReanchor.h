#pragma once

#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QTimer>

#include <optional>

namespace meterix {

class ScreenPlacementEngine;

// Which point of the anchor a re-anchored window keeps horizontally.
enum class PanelHorizontalPin { center, leading };

// Where a window goes when its content takes a new size or the screens
// change. Pure.
struct PanelReanchor {
    // The window for a new size: it keeps the anchor's leading edge or
    // horizontal centre, and the anchor's bottom edge when the card opens upward
    // (the window grows up), else its top edge (it grows down). The position is
    // rounded to whole pixels; the size is the new size.
    static QRectF frame(const QRectF& anchor, const QSizeF& size, bool opensUpward, PanelHorizontalPin horizontal);

    // Where the bar goes after the screens changed.
    struct ScreenMove {
        QRectF resting;                 // the bar, back on a screen at whole pixels
        std::optional<QRectF> window;   // the whole window, when it also holds the card
    };
    // Nothing when the bar still stands on a screen. A window that also holds
    // the card is re-anchored whole: moving its origin to the bar's would put
    // the bar where the card was.
    static std::optional<ScreenMove> afterScreenChange(const QRectF& resting, const QRectF& window, bool holdsCard,
                                                       bool opensUpward, const ScreenPlacementEngine& screens);
};

// Tells once per turn of the event loop that the screens changed: a screen's
// geometry or visible area, a screen added or removed, another primary screen.
// Several signals arrive for one change; one pass handles them all.
class PanelScreenWatch : public QObject {
    Q_OBJECT

public:
    explicit PanelScreenWatch(QObject* parent = nullptr);
    // Starts watching the application's screens (nothing without a GUI application).
    void start();

Q_SIGNALS:
    void changed();

private:
    QTimer coalescer_;
};

} // namespace meterix
