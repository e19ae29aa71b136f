#pragma once

#include "core/Clock.h"
#include "core/UsageSnapshot.h"

#include <QDateTime>
#include <QLocale>
#include <QWidget>

#include <optional>

namespace meterix {

class Appearance;
class QuotaBar;
class RollingDigitsView;
class TextView;

// One per-model quota line of a provider's detail: its name and remaining
// figure, a quota bar with the suggested pace, and under it the pace text (or
// quota type) and when the quota resets. A quota whose reset time has passed
// since the reading is withheld ("---", grey bar, the reset-at time).
class QuotaMeterRow : public QWidget {
    Q_OBJECT

  public:
    enum class Value { withheld, empty, figure };

    // What the row shows for an item at a moment (pure).
    struct Display {
        std::optional<QDateTime> endedAt;
        Value value = Value::figure;
        std::optional<qint64> figure; // with Value::figure
        UsageTier tier = UsageTier::abundant;
        bool nameSecondary = false;
        double barPercentage = 0;
        bool greyBar = false;
        std::optional<double> paceMarker;
        QString leftText;
        std::optional<QString> rightText;
        QString accessibilityLabel;
    };
    static Display display(const ModelQuotaItem& item, const QDateTime& now,
                           const QLocale& locale = QLocale::system());

    QuotaMeterRow(Appearance& appearance, const ModelQuotaItem& item, const Clock& clock = Clock::system(),
                  QWidget* parent = nullptr);

    const ModelQuotaItem& item() const { return item_; }
    const Display& shown() const { return display_; }
    void setItem(const ModelQuotaItem& item);
    // Re-derives what depends on the time (a reset time that has come).
    void refresh();

  private:
    const Clock& clock_;
    ModelQuotaItem item_;
    Display display_;
    QWidget* name_ = nullptr;
    RollingDigitsView* digits_ = nullptr;
    TextView* emptyText_ = nullptr;
    TextView* withheldText_ = nullptr;
    QuotaBar* bar_ = nullptr;
    TextView* left_ = nullptr;
    TextView* right_ = nullptr;
};

} // namespace meterix
