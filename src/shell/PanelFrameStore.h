#pragma once

#include <QRectF>

namespace meterix {

class MeterixPreferences;

// Where the bar's resting frame is kept from one run to the next.
class PanelFrameStore {
public:
    virtual ~PanelFrameStore() = default;
    // As saved: a hand-edited settings file can hold anything here.
    virtual QRectF savedFrame() const = 0;
    virtual void save(const QRectF& frame) = 0;
};

// The resting frame in the app's settings; saving what is there already writes
// nothing.
class PreferencesPanelFrameStore final : public PanelFrameStore {
public:
    explicit PreferencesPanelFrameStore(MeterixPreferences& preferences) : preferences_(preferences) {}
    QRectF savedFrame() const override;
    void save(const QRectF& frame) override;

private:
    MeterixPreferences& preferences_;
};

} // namespace meterix
