#include "shell/PanelPlacement.h"

#include "design/Metric.h"
#include "shell/PanelFrameStore.h"
#include "shell/ScreenPlacementEngine.h"

#include <cmath>

namespace meterix {

PanelPlacement::PanelPlacement(const ScreenPlacementEngine& screens, const PanelFrameStore& store)
    : screens_(screens), store_(store) {}

PanelPlacement::PlacementChoice PanelPlacement::chooseInitialPlacement(double x, double y, double width,
                                                                       double height,
                                                                       const ScreenPlacementEngine& screens) {
    // A hand-edited settings file can hold anything: only finite values within a
    // few screens' reach are taken as a saved place.
    const double limit = savedFrameExtentFactor * screens.largestExtent();
    auto plausible = [limit](double v) { return std::isfinite(v) && v <= limit; };
    const bool originSaved = plausible(x) && plausible(y) && x >= 0 && y >= 0;
    const bool sizeSaved = plausible(width) && plausible(height) && width > 10 && height > 10;

    if (originSaved && sizeSaved) {
        const QRectF saved(x, y, width, height);
        if (screens.meetsAVisibleFrame(saved)) return {{InitialPlacement::Kind::restored, saved}, saved};
    }
    if (originSaved) {
        const QRectF atOrigin(x, y, defaultWidth, Metric::barBand);
        if (screens.meetsAVisibleFrame(atOrigin)) return {{InitialPlacement::Kind::restoredOrigin, atOrigin}, atOrigin};
    }
    return {{InitialPlacement::Kind::topCenter, QRectF()},
            ScreenPlacementEngine::topCenterFrame(screens.mainVisibleFrame(), QSizeF(defaultWidth, Metric::barBand),
                                                  topInset)};
}

QRectF PanelPlacement::firstFrame() {
    const QRectF saved = store_.savedFrame();
    const PlacementChoice choice = chooseInitialPlacement(saved.x(), saved.y(), saved.width(), saved.height(), screens_);
    pending_ = choice.placement;
    // A place saved partly past a side still shows whole, even before the
    // content's first report re-anchors it.
    return screens_.clampToScreensAtWholePixels(choice.initialFrame);
}

PanelPlacement::Anchor PanelPlacement::anchorFor(const QSizeF& size, const QRectF& current) {
    if (!pending_) return {current, PanelHorizontalPin::center};
    const InitialPlacement placement = *pending_;
    pending_.reset();
    switch (placement.kind) {
    case InitialPlacement::Kind::restored:
        return {placement.savedFrame, PanelHorizontalPin::leading};
    case InitialPlacement::Kind::restoredOrigin:
        return {QRectF(placement.savedFrame.topLeft(), size), PanelHorizontalPin::leading};
    case InitialPlacement::Kind::topCenter:
        break;
    }
    return {ScreenPlacementEngine::topCenterFrame(screens_.mainVisibleFrame(), size, topInset),
            PanelHorizontalPin::leading};
}

} // namespace meterix
