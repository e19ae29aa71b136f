#include "shell/PanelCardCloser.h"
#include "support/gui/FakeMouseMonitor.h"

#include "PanelControllerFixture.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

using PanelCardClosing = test::PanelControllerFixture;
using Mouse = FloatingPanelController::MouseEventKind;
using test::FakeMouseMonitor;
// MARK: - Closing the card

TEST_F(PanelCardClosing, ClicksOutsideTheCardCloseItAndClicksInsideDoNot) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    selected_ = true;
    c.updateContentSize(QSizeF(398, 440));
    mouse(Mouse::rightDown, {199, 200}); // inside the card
    EXPECT_TRUE(selected_);
    mouse(Mouse::leftDown, {199, 200});
    mouse(Mouse::leftUp, {199, 200});
    EXPECT_TRUE(selected_);
    mouse(Mouse::leftDown, {10, 200}); // in the window, beside the card
    EXPECT_FALSE(selected_);

    selected_ = true;
    mouse(Mouse::rightDown, {10, 300});
    EXPECT_FALSE(selected_);
    selected_ = true;
    mouse(Mouse::leftDown, {199, 200}, false); // another window of the app
    EXPECT_FALSE(selected_);
}

TEST_F(PanelCardClosing, OutsideClicksAreListenedForOnlyWhileACardIsOpen) {
    auto& c = launch();
    auto monitor = std::make_unique<FakeMouseMonitor>();
    FakeMouseMonitor* m = monitor.get();
    c.setGlobalMouseMonitor(std::move(monitor));
    EXPECT_FALSE(m->isListening());
    selected_ = true;
    c.cardStateChanged();
    EXPECT_TRUE(m->isListening());
    m->press();
    EXPECT_FALSE(selected_);
    c.cardStateChanged();
    EXPECT_FALSE(m->isListening());
    m->press(); // nothing open: nothing to close
    EXPECT_EQ(closes_, 1);
}

} // namespace
} // namespace meterix
