#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/UsageSnapshot.h"
#include "design/LiquidGlassView.h"
#include "panels/QuotaHeroView.h"
#include "panels/RefreshFeedback.h"

#include <QLocale>
#include <QPointer>
#include <QSet>
#include <QUrl>

#include <functional>
#include <optional>

class QAbstractButton;
class QVBoxLayout;

namespace meterix {

class Appearance;
class CardScrollBody;
class GlassActionButton;
class Localization;
class MinuteTicker;
class ProviderManager;
class SymbolLabel;
class TextView;

// The card that opens beside the floating bar for one provider: a header with
// the provider's tile, name, plan and where the figure came from, and a close
// button; the failure of the last refresh; the hero of the short window; then
// why nothing could be read, or the weekly window and the per-model quotas; and
// the dashboard and refresh buttons. It shows the snapshot it is given (the
// caller chooses which, and gives it anew when it changes); of the provider
// manager it follows only whether the provider is at work and whether a refresh
// runs, and it asks the manager to refresh the provider. Given less height than
// it takes, it keeps its header and its buttons in sight and scrolls what lies
// between them, with a thumb that shows it does; Escape in its window closes
// it (its bar's controller sees to that) and Tab reaches its buttons.
class DetailGlassCardView : public LiquidGlassView {
    Q_OBJECT

  public:
    static constexpr double cardWidth = 318;
    static constexpr double padding = 14;
    static constexpr double spacing = 12;
    static constexpr double tileSize = 29;
    static constexpr double closeSide = 21;

    // What the card follows of the provider manager.
    struct Live {
        QSet<AIProviderType> activeInUseProviders;
        bool isRefreshing = false;
        bool operator==(const Live&) const = default;
    };

    struct Weekly {
        bool ended = false;
        std::optional<qint64> figure; // nothing when ended or not a number ("---")
        UsageTier tier = UsageTier::abundant;
        double barPercentage = 0;
        std::optional<QString> resetLine;
        QString accessibilityLabel;
        bool operator==(const Weekly&) const = default;
    };

    // What the card shows for a snapshot at a moment (pure).
    struct Display {
        bool simulated = false;
        // False for a reading without a figure (a placeholder, or one that is
        // not a number): no tier colour then, on the tile or the glass.
        bool hasFigure = true;
        UsageTier tier = UsageTier::abundant;
        QString title;
        std::optional<QString> plan;
        QString sourceLine;
        std::optional<QString> errorLine;
        QuotaHeroView::Inputs hero;
        std::optional<UsageUnavailableNotice> notice; // simulated: in place of the quota sections
        std::optional<Weekly> weekly;
        QList<ModelQuotaItem> models;
        std::optional<QUrl> dashboard;
        QString refreshTitle;
        bool refreshEnabled = true;
        QString accessibilityName;
        double tintStrength = 0.5;
    };
    static Display display(const UsageSnapshot& snapshot, const Live& live, const Clock& clock,
                           const QLocale& locale = QLocale::system());

    // Follows the look and the language it is handed.
    DetailGlassCardView(Appearance& appearance, Localization& localization, const UsageSnapshot& snapshot,
                        std::function<void()> onClose, const Clock& clock = Clock::system(),
                        QWidget* parent = nullptr);
    ~DetailGlassCardView() override;

    const UsageSnapshot& snapshot() const { return snapshot_; }
    AIProviderType provider() const { return snapshot_.provider; }
    // Updates the card in place (the hero's ring and digits glide to the new
    // figure); the same snapshot again re-derives what depends on the time.
    void setSnapshot(const UsageSnapshot& snapshot);
    const Live& live() const { return live_; }
    void setLive(const Live& live);
    const Display& shown() const { return display_; }
    // Follows the manager's in-use set and refreshing flag; the refresh button asks
    // it to refresh this provider.
    void observe(ProviderManager& manager);

    QuotaHeroView* hero() const { return hero_; }
    // The part between the header and the buttons, which scrolls when the card
    // is given less height than its content takes.
    CardScrollBody* body() const { return body_; }
    // The glass's bleed on every side (where its shadow falls).
    static int shadowBleed();

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  private:
    void rebuild();
    void buildHeader();
    void buildSections();
    void applyActions();
    void applyGlass();
    // The time has moved on: the hero follows in place; what else changed is built anew.
    void refreshTimeTexts();

    Appearance& appearance_;
    Localization& localization_;
    const Clock& clock_;
    UsageSnapshot snapshot_;
    std::function<void()> onClose_;
    Live live_;
    Display display_;
    QPointer<ProviderManager> manager_;
    RefreshFeedback* refreshFeedback_ = nullptr;
    QTimer* linkFailureShown_ = nullptr;

    QVBoxLayout* column_ = nullptr;
    QWidget* header_ = nullptr;
    SymbolLabel* errorLine_ = nullptr;
    QuotaHeroView* hero_ = nullptr;
    QWidget* sections_ = nullptr;
    CardScrollBody* body_ = nullptr;
    GlassActionButton* dashboardButton_ = nullptr;
    GlassActionButton* refreshButton_ = nullptr;
    MinuteTicker* ticker_ = nullptr;
};

} // namespace meterix
