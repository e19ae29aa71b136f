#include "shell/PanelFrameStore.h"

#include "core/MeterixPreferences.h"

namespace meterix {

QRectF PreferencesPanelFrameStore::savedFrame() const {
    return QRectF(preferences_.panelOriginX(), preferences_.panelOriginY(), preferences_.panelWidth(),
                  preferences_.panelHeight());
}

void PreferencesPanelFrameStore::save(const QRectF& r) {
    if (preferences_.panelOriginX() == r.x() && preferences_.panelOriginY() == r.y() &&
        preferences_.panelWidth() == r.width() && preferences_.panelHeight() == r.height())
        return;
    preferences_.setPanelOriginX(r.x());
    preferences_.setPanelOriginY(r.y());
    preferences_.setPanelWidth(r.width());
    preferences_.setPanelHeight(r.height());
}

} // namespace meterix
