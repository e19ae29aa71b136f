#pragma once

namespace meterix {

// Layout constants in logical pixels.
struct Metric {
    static constexpr double barHeight = 34;            // the floating bar's strip
    static constexpr double panelBleed = 20;           // transparent margin around the bar's content
    static constexpr double stackGap = 10;             // between the bar and the detail card
    static constexpr double panelWidth = 380;          // initial width of the bar's window
    static constexpr double detailWidth = 318;         // the detail card
    static constexpr double barBand = 58;              // the bar's band inside its window
    static constexpr double pixelCatBand = 20;         // added above the bar while the cat is shown
    static constexpr double menuWidth = 336;           // the status-item panel's content
    static constexpr double menuBleed = 18;            // transparent margin around the panel's content
    static constexpr double menuMaxContentHeight = 560; // tallest panel content
    static constexpr double xs = 4;
    static constexpr double sm = 8;
    static constexpr double md = 12;
    static constexpr double lg = 16;
    static constexpr double xl = 20;
};

} // namespace meterix
