#pragma once

#include "core/AIProviderType.h"
#include "panels/MenuSubScreen.h"
#include "panels/ProviderDetailModel.h"

#include <functional>

namespace meterix {

class MenuCommandRow;
class QuotaHeroView;
class TextView;

// The panel's screen for one provider: who is signed in and how fresh the
// figure is, how it was read, the accounts found with their own readings, a
// notice when the last refresh failed, the session ring, the quota lines (or a
// notice that nothing real was read), and the provider's commands. Everything
// is derived from the manager, the registry and the settings whenever they
// change; each time the screen is shown it asks for a fresh reading.
class MenuBarProviderDetailScreen : public MenuSubScreen {
    Q_OBJECT

  public:
    MenuBarProviderDetailScreen(MenuScreenContext context, AIProviderType provider,
                                QWidget* parent = nullptr);

    AIProviderType provider() const { return provider_; }
    // The derivations as they stand now.
    ProviderDetailModel model() const;

    static constexpr double spacing = 13;

    // For tests: the parts by what they show.
    TextView* headerSubtitle() const { return subtitle_; }
    QWidget* accountsSection() const { return accounts_; }
    QWidget* failureNotice() const { return failure_; }
    QWidget* noDataNotice() const { return noData_; }
    QWidget* quotaSection() const { return quotas_; }
    QuotaHeroView* hero() const { return hero_; }
    QList<MenuCommandRow*> actionRows() const { return actions_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void build() override;

  private:
    QWidget* identityHeader(const ProviderDetailModel& m);
    QWidget* accountSection(const ProviderDetailModel& m);
    QWidget* quotaDetail(const ProviderDetailModel& m);
    QWidget* noDataSection();
    QWidget* actionSection(const ProviderDetailModel& m);
    void run(const ProviderDetailModel::ActionRow& row);

    AIProviderType provider_;
    QWidget* content_ = nullptr;
    TextView* subtitle_ = nullptr;
    QWidget* accounts_ = nullptr;
    QWidget* failure_ = nullptr;
    QWidget* noData_ = nullptr;
    QWidget* quotas_ = nullptr;
    QuotaHeroView* hero_ = nullptr;
    QList<MenuCommandRow*> actions_;
};

} // namespace meterix
