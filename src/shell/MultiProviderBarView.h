#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/UsageSnapshot.h"
#include "design/LiquidGlassStyle.h"
#include "design/SpringAnimator.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRegion>
#include <QSet>
#include <QTimer>
#include "refresh/PresentedState.h"
#include "shell/BarSelection.h"
#include "shell/BarServices.h"
#include "shell/ProviderSegmentView.h"

#include <QWidget>

#include <functional>
#include <map>
#include <optional>

namespace meterix {

class FloatingPanelController;
class GrabberHandle;
class HairlineDivider;
class MeterixPreferences;
class ProviderManager;
class ProviderSegmentView;
class TabBarLoadingBar;

// The content of the floating bar's window: a glass capsule holding a grab
// handle, a short divider and one segment per active provider that has a
// reading, with the refresh strip along its bottom edge; room above it for the
// pixel cat while the cat is enabled; and, while a segment is selected, the
// detail card slot above or below the capsule (by the window controller's
// direction). It measures itself and reports its size; it never sizes the
// window. Everything shown is derived from the published state at paint time.
class MultiProviderBarView : public QWidget {
    Q_OBJECT

public:
    // What the bar shows, as the provider manager publishes it, masking applied.
    using State = PresentedState;

    // The detail card of the selected provider: its widget (whose contents
    // margins are the room its shadow takes beside the card) and how it takes a
    // newer snapshot of the same provider in place.
    struct Card {
        QWidget* widget = nullptr;
        std::function<void(const UsageSnapshot&)> update;
    };
    // Builds the companion that sits in the band above the capsule while the cat
    // is enabled; the bar owns it and deletes it when the cat is switched off.
    using CatViewFactory = std::function<QWidget*(MultiProviderBarView& bar)>;

    // Builds the detail card of a snapshot; onClose deselects it.
    using CardFactory = std::function<Card(const UsageSnapshot& snapshot, std::function<void()> onClose)>;

    // Where things go in content coordinates (the bleed included).
    struct Layout {
        QSizeF contentSize;
        QRectF capsule;
        QRectF card; // empty without a card
    };

    static constexpr double leadingInset = 9;
    static constexpr double trailingInset = 9;
    static constexpr double itemSpacing = 5;
    static constexpr double dividerHeight = 14;
    static constexpr double dividerTrailingGap = 1;

    MultiProviderBarView(MeterixPreferences& preferences, FloatingPanelController* controller, BarServices services,
                         const Clock& clock = Clock::system(), QWidget* parent = nullptr);
    ~MultiProviderBarView() override;

    const State& state() const { return state_; }
    void setState(State state);
    // The state as the manager publishes it now, as the bar shows it.
    State stateOf(const ProviderManager& manager) const;
    // Follows the manager's published state from now on.
    void observe(ProviderManager& manager);
    // Whose card is open; the bar shows that segment selected and its card.
    void setSelected(std::optional<AIProviderType> provider);
    // Hands the selections the bar asks for to selection, and shows what it holds.
    void followSelection(BarSelection& selection);
    void setCardFactory(CardFactory factory);
    void setCatViewFactory(CatViewFactory factory);

    // A segment was tapped (also the card's close action): opens the provider's
    // card, or closes it when it is already open. Ignored right after a drag.
    void select(AIProviderType provider);

    QList<AIProviderType> visibleProviders() const { return visibleProviders(state_); }
    // The tier of the lowest figure the bar shows; none when it shows none.
    std::optional<UsageTier> ambientTier() const;
    // The active providers that have a snapshot, in their order.
    static QList<AIProviderType> visibleProviders(const State& state);

    using SegmentForm = ProviderSegmentView::Form;
    static double capsuleWidth(int segmentCount, SegmentForm form = SegmentForm::full);
    // cardShift moves the card sideways from under the capsule's centre; the
    // content widens evenly on both sides, so the capsule stays centred in it.
    static Layout layout(int segmentCount, bool catEnabled, std::optional<QSizeF> cardSize, bool opensUpward,
                         double cardShift = 0, SegmentForm form = SegmentForm::full);
    // The roomiest form of the segments with which the whole bar, its bleed
    // included, fits across the visible width of its screen: the figures go
    // only when even the snug form does not fit.
    static SegmentForm segmentFormFor(int segmentCount, double availableWidth);

    QSizeF contentSize() const { return currentLayout().contentSize; }
    // The capsule in this widget's coordinates.
    QRectF capsuleRect() const;
    bool isBarHovered() const { return barHovered_; }
    ProviderSegmentView* segment(AIProviderType provider) const;
    QList<ProviderSegmentView*> segments() const;
    QWidget* card() const { return card_; }
    QWidget* capsule() const { return capsule_; }
    // The parts drawn on (capsule and card), as last reported.
    QRegion solidRegion() const { return reportedRegion_; }
    // The capsule's tint as drawn now: it glides to the ambient tier's colour.
    QColor currentTint() const;

    // Sends the current size even when it has not changed (the first report).
    void reportContentSize();
    // Re-derives what depends on the time (a short window that reset meanwhile).
    void refreshForTime();

Q_SIGNALS:
    void contentSizeChanged(const QSizeF& size);
    // The provider to select, or nothing to close the card.
    void selectionRequested(std::optional<meterix::AIProviderType> provider);
    // The parts that are drawn on, for windows that must be shaped to them;
    // uncoveredRepainted when whatever the change uncovers is about to be
    // repainted anyway (the cat's cells, drawn right after they are told).
    void solidRegionChanged(const QRegion& region, bool uncoveredRepainted);
    void barWidthChanged(double width);
    void barHoveredChanged(bool hovered);
    // The capsule moved or changed size (this widget's coordinates).
    void capsuleRectChanged(const QRectF& capsule);

public Q_SLOTS:
    // The parts the cat view draws on, in its own coordinates.
    void setCatRegion(const QRegion& region);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void syncSegments();
    void syncCard();
    void placeCard();
    void fadeCardIn(double t);
    void followAmbientTint();
    void followAvailableWidth();
    void syncCat();
    void reportSolidRegion(bool uncoveredRepainted = false);
    void relayout();
    void applyTexts();
    void scheduleResetWatch();
    void updateIfLookChanged();
    Layout currentLayout() const;
    QPointF contentOrigin(const Layout& layout) const;

    MeterixPreferences& preferences_;
    QPointer<FloatingPanelController> controller_;
    BarServices services_;
    const Clock& clock_;
    State state_;
    std::optional<AIProviderType> selected_;
    CardFactory cardFactory_;

    QWidget* capsule_;
    GrabberHandle* grabber_;
    HairlineDivider* divider_;
    TabBarLoadingBar* loadingBar_;
    std::map<AIProviderType, ProviderSegmentView*> segments_;
    QPointer<QWidget> card_;
    std::function<void(const UsageSnapshot&)> updateCard_;
    CatViewFactory catFactory_;
    QPointer<QWidget> catView_;
    QRegion catRegion_;
    QRegion layoutRegion_;
    QRectF reportedCapsule_;
    std::optional<UsageSnapshot> cardSnapshot_;
    bool barHovered_ = false;
    double actualBarWidth_ = 180;
    std::optional<QSizeF> reportedSize_;
    QRegion reportedRegion_;
    QTimer resetWatch_;
    // Motion: where each segment slides to, the tint's glide, the card's arrival.
    std::map<AIProviderType, SpringAnimator*> slide_;
    QColor tintFrom_;
    QColor tintTo_;
    SpringAnimator tintMix_;
    SpringAnimator arrival_;
    // The cat's setting, kept from its change notice: the layout is asked for
    // on every paint and would read the settings each time.
    bool catEnabled_ = false;
    SegmentForm form_ = SegmentForm::full;
    // How far a card shortened to its slot is scrolled (from its top).
    double cardScroll_ = 0;
    // What the last paint drew the glass with.
    QRectF paintedCapsule_;
    QColor paintedTint_;
    // The glass as stamped, made again only when its place, tint or hover change.
    struct Glass {
        QRectF capsule;
        QColor tint;
        bool hovered = false;
        LiquidGlassStyle style;
        QRectF box; // the glass and its shadow
        QByteArray key;
    };
    std::optional<Glass> glass_;
};

} // namespace meterix
