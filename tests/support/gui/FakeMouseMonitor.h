#pragma once

#include "platform/ui/GlobalMouseMonitor.h"

namespace meterix::test {

// A desktop-wide press monitor that presses when the test says so.
class FakeMouseMonitor final : public GlobalMouseMonitor {
public:
    void setListening(bool listening) override { listening_ = listening; }
    bool isListening() const { return listening_; }
    void press() { Q_EMIT mouseDown(); }

private:
    bool listening_ = false;
};

} // namespace meterix::test
