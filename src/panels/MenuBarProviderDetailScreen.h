#pragma once

#include "core/AIProviderType.h"
#include "core/Localization.h"
#include "panels/MenuSubScreen.h"
#include "panels/ProviderDetailModel.h"
#include "panels/RefreshFeedback.h"
#include "panels/SymbolLabel.h"

#include <functional>

namespace meterix {

class AccountRow;
class IconTile;
class MenuCommandRow;
class QuotaHeroView;
class QuotaMeterRow;
class TextCapsuleBadge;
class TextView;

// The panel's screen for one provider: who is signed in and how fresh the
// figure is, how it was read, the accounts found with their own readings, a
// notice when the last refresh failed, the session ring, the quota lines (or a
// notice that nothing real was read), and the provider's commands. Everything
// is derived from the manager, the registry and the settings whenever they
// change; each time the screen is shown it asks for a fresh reading. A change
// that keeps the screen's shape (the same accounts, notices and quota lines)
// updates the rows in place, so a spinner keeps turning, figures roll to their
// new value and a hover stays; only a new shape or language builds it anew.
class MenuBarProviderDetailScreen : public MenuSubScreen {
    Q_OBJECT

  public:
    MenuBarProviderDetailScreen(MenuScreenContext context, AIProviderType provider,
                                QWidget* parent = nullptr);

    AIProviderType provider() const { return provider_; }
    // The derivations as they stand now.
    ProviderDetailModel model() const;

    static constexpr double spacing = 13;


  protected:
    void showEvent(QShowEvent* event) override;
    void build() override;
    void refresh() override;

  private:
    // Builds the screen for m, the model just read.
    void build(const ProviderDetailModel& m);
    QWidget* identityHeader();
    QWidget* accountSection(const ProviderDetailModel& m);
    QWidget* quotaDetail(const ProviderDetailModel& m);
    QWidget* noDataSection(const ProviderDetailModel& m);
    QWidget* actionSection(const ProviderDetailModel& m);
    // Shows m in the parts built for its shape.
    void apply(const ProviderDetailModel& m);
    void run(const ProviderDetailModel::ActionRow& row);
    // The refresh command's title and spinner: its own feedback while pressed.
    void applyRefreshRow(bool managerRefreshing);
    void openLink(const QUrl& url);

    AIProviderType provider_;
    ProviderDetailModel::Shape shape_;
    ResolvedLanguage language_ = ResolvedLanguage::english;
    bool stale_ = false;
    QWidget* content_ = nullptr;
    IconTile* tile_ = nullptr;
    TextView* title_ = nullptr;
    TextView* subtitle_ = nullptr;
    TextCapsuleBadge* chip_ = nullptr;
    QWidget* accounts_ = nullptr;
    QList<AccountRow*> accountRows_;
    SymbolLabel* failure_ = nullptr;
    QWidget* noData_ = nullptr;
    QWidget* quotas_ = nullptr;
    QList<QuotaMeterRow*> quotaRows_;
    QuotaHeroView* hero_ = nullptr;
    QList<MenuCommandRow*> actions_;
    RefreshFeedback* refreshFeedback_ = nullptr;
    // Said under the commands, for a while, when a link could not be opened.
    TextView* linkFailure_ = nullptr;
    QTimer* linkFailureShown_ = nullptr;
};

} // namespace meterix
