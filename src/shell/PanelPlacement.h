#pragma once

#include "shell/PanelReanchor.h"

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace meterix {

class PanelFrameStore;
class ScreenPlacementEngine;

// Where the bar first stands: its last resting place from the settings when
// that is still on a screen, else the top centre of the primary screen. The
// window is built at that frame; the content's first size report then places
// it for good, by the same choice. GUI thread.
class PanelPlacement {
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
    // Where the window goes for a size: the anchor it keeps and by which edge.
    struct Anchor {
        QRectF frame;
        PanelHorizontalPin pin = PanelHorizontalPin::center;
    };

    static constexpr double defaultWidth = 380; // the window before the first size report
    static constexpr double topInset = 4;       // first placement, below the visible top
    // Saved values beyond this many times the largest screen are not trusted.
    static constexpr double savedFrameExtentFactor = 4;

    PanelPlacement(const ScreenPlacementEngine& screens, const PanelFrameStore& store);

    // The first rule that applies: the whole saved frame when it is sane and
    // meets a visible frame; the saved origin at the default size when that
    // meets one; else the top centre of the primary screen.
    static PlacementChoice chooseInitialPlacement(double x, double y, double width, double height,
                                                  const ScreenPlacementEngine& screens);

    // The window's first frame, whole on the screens even when the place was
    // saved partly past a side; the choice waits for the first size report.
    QRectF firstFrame();
    // The bar was placed otherwise (dragged, or already at its size).
    void forget() { pending_.reset(); }
    // Where a bar of this size goes: by the first placement, once, by its
    // leading edge; else by the centre of the current anchor.
    Anchor anchorFor(const QSizeF& size, const QRectF& current);

private:
    const ScreenPlacementEngine& screens_;
    const PanelFrameStore& store_;
    std::optional<InitialPlacement> pending_;
};

} // namespace meterix
