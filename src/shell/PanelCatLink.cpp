#include "shell/PanelCatLink.h"

#include "core/MeterixPreferences.h"
#include "design/Metric.h"
#include "shell/FloatingPanelSurface.h"

namespace meterix {

double PanelCatLink::barBand() const {
    return preferences_.pixelCatEnabled() ? Metric::barBand + Metric::pixelCatBand : Metric::barBand;
}

void PanelCatLink::restingTaken() { restingWithCat_ = preferences_.pixelCatEnabled(); }

void PanelCatLink::followBand(PanelWindow& window) {
    const bool withCat = preferences_.pixelCatEnabled();
    if (withCat == restingWithCat_) return;
    restingWithCat_ = withCat;
    if (!window.hasResting()) return;
    // The cat's band lies above the bar: the resting frame gains or loses it at
    // its top, so the bar itself stays where it is on screen whichever edge the
    // window is re-anchored by.
    window.resting.setTop(window.resting.top() + (withCat ? -Metric::pixelCatBand : Metric::pixelCatBand));
}

} // namespace meterix
