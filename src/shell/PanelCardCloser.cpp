#include "shell/PanelCardCloser.h"

#include "platform/ui/GlobalMouseMonitor.h"
#include "shell/FloatingPanelSurface.h"

namespace meterix {

PanelCardCloser::PanelCardCloser() = default;
PanelCardCloser::~PanelCardCloser() = default;

void PanelCardCloser::setHooks(std::function<bool()> isCardOpen, std::function<void()> closeCard) {
    isCardOpen_ = std::move(isCardOpen);
    closeCard_ = std::move(closeCard);
}

void PanelCardCloser::setMonitor(std::unique_ptr<GlobalMouseMonitor> monitor) {
    monitor_ = std::move(monitor);
    if (!monitor_) return;
    QObject::connect(monitor_.get(), &GlobalMouseMonitor::mouseDown, monitor_.get(), [this] { closeIfOpen(); });
}

void PanelCardCloser::closeIfOpen() {
    if (isCardOpen() && closeCard_) closeCard_();
}

void PanelCardCloser::follow(FloatingPanelSurface* window) {
    const bool open = isCardOpen();
    if (monitor_) monitor_->setListening(open);
    // An open card takes the keys, so that Escape closes it.
    if (window && open != takesKeyboard_) {
        takesKeyboard_ = open;
        window->setTakesKeyboard(open);
    }
}

} // namespace meterix
