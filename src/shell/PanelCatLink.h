#pragma once


namespace meterix {

class MeterixPreferences;
struct PanelWindow;

// What the bar's window knows of the pixel cat: while the pointer is on the
// cat or the cat is carried, presses belong to the cat and never drag the bar;
// while the cat is enabled its band sits above the bar, in the window and in
// the resting frame. GUI thread.
class PanelCatLink {
public:
    explicit PanelCatLink(const MeterixPreferences& preferences) : preferences_(preferences) {}

    bool isCatDragging() const { return isCatDragging_; }
    void setCatDragging(bool dragging) { isCatDragging_ = dragging; }
    void setHoveringCat(bool hovering) { isHoveringCat_ = hovering; }
    // A press now is the cat's.
    bool ownsPress() const { return isHoveringCat_ || isCatDragging_; }

    // The bar's band inside the window: 58, or 78 while the cat sits on the bar.
    double barBand() const;
    // The resting frame was just taken from the window, as the setting is now.
    void restingTaken();
    // A change of the setting since: the resting frame gains or loses the band
    // at its top (an empty frame stays empty).
    void followBand(PanelWindow& window);

private:
    const MeterixPreferences& preferences_;
    bool isCatDragging_ = false;
    bool isHoveringCat_ = false;
    // Whether the resting frame holds the cat's band above the bar.
    bool restingWithCat_ = false;
};

} // namespace meterix
