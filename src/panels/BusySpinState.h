#pragma once

namespace meterix {

// When a busy symbol turns: only after busy changes to true while shown (a row
// that appears already busy stands still until its next false-to-true change),
// and it snaps back upright the moment busy turns false.
class BusySpinState {
  public:
    explicit BusySpinState(bool initiallyBusy) : busy_(initiallyBusy) {}

    bool isBusy() const { return busy_; }
    bool isSpinning() const { return spinning_; }
    // Returns whether the spinning changed.
    bool setBusy(bool busy);

    static constexpr double turnSeconds = 0.9; // one clockwise turn

  private:
    bool busy_;
    bool spinning_ = false;
};

} // namespace meterix
