#pragma once

#include "panels/ConnectedProviders.h"

#include "core/Clock.h"
#include "core/UsageTier.h"
#include "design/SpringAnimator.h"
#include "panels/MenuBarScreen.h"
#include "refresh/PresentedState.h"
#include "panels/MenuScreenContext.h"
#include "panels/StackHeightTracker.h"

#include <QColor>
#include <QWidget>

#include <limits>

class QHBoxLayout;
class QScrollArea;

namespace meterix {

class MenuActivitySpinner;
class MenuScreenStack;
class TextView;
class TierBadge;

// The whole content of the status-item panel: a glass card tinted by the
// ambient usage tier, with a title bar (the app's tile and name, a one-line
// status summary, the tier badge), a hairline, and a scrolling area holding the
// screen the navigator names, replaced with the push slide. The scrolling area
// springs to each new height of its screen, up to 560 pt; the card keeps an
// 18 pt transparent margin for its shadow. It measures itself and reports its
// size; it never sizes its window.
class MenuBarPopoverView : public QWidget {
    Q_OBJECT

  public:
    // The context's navigator is the one its screens follow: it must be set.
    explicit MenuBarPopoverView(MenuScreenContext context, QWidget* parent = nullptr);
    ~MenuBarPopoverView() override;

    static constexpr double cardWidth = 336;
    static constexpr double margin = 18;
    static constexpr double cornerRadius = 14;
    static constexpr double elevation = 1.2;
    static constexpr double tintStrength = 0.45;
    static constexpr double stackInsetH = 12;
    static constexpr double stackInsetV = 10;

    // "Updating" while refreshing; "No providers connected" without active
    // providers; else the count of the connected providers (the rule the
    // settings list them by) and the age of the newest of their readings with
    // a figure or a signed-in account; "No usage read yet" when none is.
    static QString statusSummary(const PresentedState& state, const ConnectedProviders& connected,
                                 const Clock& clock);

    const PresentedState& state() const { return state_; }
    void setState(PresentedState state);

    QColor glassTint() const;
    // The height the scrolling area has now.
    double scrollHeight() const;
    // The card's size with its margin, as last reported.
    QSizeF contentSize() const;

    // The tallest the whole content (its margin included) may be where the
    // panel opens: the scrolling area is shortened to keep within it.
    void setHeightLimit(double height);

    // Sends the current size even when it has not changed (the first report).
    void reportContentSize();
    // Re-derives the texts that age (the summary's "as of" time).
    void followAccounts();
    void refreshForTime();
    // Builds the texts and the current screen again (after a change of language).
    void rebuildTexts();

  Q_SIGNALS:
    void contentSizeChanged(const QSizeF& size);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QWidget* makeTitleBar();
    void registerScreens();
    void applyState();
    void stackMeasured(double height);
    void scrollForScreen(const MenuBarScreen& screen, bool animated);
    void applyScrollHeight(double height);
    double scrollLimit() const;

    MenuScreenContext context_;
    PresentedState state_;
    std::optional<UsageTier> tier_;
    QColor tintFrom_;
    QColor tintTo_;
    SpringAnimator tintBlend_;
    StackHeightTracker tracker_;
    SpringAnimator scrollHeight_;
    MenuActivitySpinner* spinner_;
    TextView* summary_;
    TierBadge* badge_ = nullptr;
    QHBoxLayout* titleLayout_ = nullptr;
    QScrollArea* scroll_;
    QWidget* stackHolder_;
    MenuScreenStack* stack_;
    QSizeF reported_;
    MenuBarScreen shown_;
    int scrolledBefore_ = 0;
    int overviewScroll_ = 0;
    double heightLimit_ = std::numeric_limits<double>::infinity();
};

} // namespace meterix
