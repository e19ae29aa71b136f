#pragma once

#include "core/MeterixPreferences.h"
#include "shell/FloatingPanelController.h"
#include "shell/ScreenPlacementEngine.h"

#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace meterix::test {

// A 1440 x 900 display with a 25 px panel along its top: the visible frame
// runs from y 25 to 900.
inline const ScreenArea kLaptop{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875)};
inline const ScreenArea kExternal{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1080)};

// The window as the controller sees it, remembering what was done to it.
class RecordingPanel final : public FloatingPanelSurface {
  public:
    explicit RecordingPanel(const QRectF& frame) : frame_(frame) {}
    QRectF frame() const override { return frame_; }
    void setFrame(const QRectF& frame) override {
        frame_ = frame;
        ++frameChanges;
    }
    void setOrigin(const QPointF& origin) override { frame_.moveTopLeft(origin); }
    bool isRevealed() const override { return revealed_; }
    void reveal() override { revealed_ = true; }
    void orderFront() override { ++frontOrders; }
    bool isWindow(const QObject*) const override { return false; }

    int frameChanges = 0;
    int frontOrders = 0;

  private:
    QRectF frame_;
    bool revealed_ = false;
};

// The bar's controller on a RecordingPanel, fake screens, settings in a
// temporary file and fake time; the card is open while selected_ is true.
class PanelControllerFixture : public ::testing::Test {
  protected:
    using Kind = PanelPlacement::InitialPlacement::Kind;
    using Mouse = FloatingPanelController::MouseEventKind;

    PanelControllerFixture()
        : settings_(
              std::make_shared<QSettings>(dir_.filePath(QStringLiteral("prefs.conf")), QSettings::IniFormat)),
          prefs_(settings_), engine_([this] { return screens_; }) {
        prefs_.setPixelCatEnabled(false);
    }

    void save(double x, double y, double w, double h) {
        prefs_.setPanelOriginX(x);
        prefs_.setPanelOriginY(y);
        prefs_.setPanelWidth(w);
        prefs_.setPanelHeight(h);
    }
    QRectF saved() const {
        return QRectF(prefs_.panelOriginX(), prefs_.panelOriginY(), prefs_.panelWidth(), prefs_.panelHeight());
    }

    // A controller whose window is a RecordingPanel, shown.
    FloatingPanelController& launch() {
        controller_ = std::make_unique<FloatingPanelController>(engine_, prefs_, timers_, clock_);
        controller_->setPanelFactory([this](const QRectF& frame) {
            auto panel = std::make_unique<RecordingPanel>(frame);
            panel_ = panel.get();
            return panel;
        });
        controller_->setCardHooks([this] { return selected_; },
                                  [this] {
                                      selected_ = false;
                                      ++closes_;
                                  });
        controller_->show();
        return *controller_;
    }

    void mouse(Mouse kind, QPointF windowLocation, bool inPanel = true) {
        controller_->handleMouseEvent(kind, panel_->frame().topLeft() + windowLocation, inPanel);
    }

    QTemporaryDir dir_;
    std::shared_ptr<QSettings> settings_;
    MeterixPreferences prefs_;
    QList<ScreenArea> screens_{kLaptop};
    ScreenPlacementEngine engine_;
    test::FakeClock clock_;
    test::FakeTimerSource timers_{clock_};
    std::unique_ptr<FloatingPanelController> controller_;
    RecordingPanel* panel_ = nullptr;
    bool selected_ = false;
    int closes_ = 0;
};

} // namespace meterix::test
