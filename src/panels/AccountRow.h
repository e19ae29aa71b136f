#pragma once

#include "core/Clock.h"
#include "panels/AccountRowModel.h"

#include <QWidget>

namespace meterix {

// One detected account of a provider: its icon tile, label with the source and
// running chips, plan and organisation, and on the right its percentage and a
// short second line. Painted in one piece; one accessible element.
class AccountRow : public QWidget {
    Q_OBJECT

  public:
    explicit AccountRow(AccountRowModel model, const Clock& clock = Clock::system(),
                        QWidget* parent = nullptr);

    const AccountRowModel& model() const { return model_; }
    void setModel(AccountRowModel model);

    static constexpr double tileSize = 21;
    static constexpr double spacing = 9;
    static constexpr double minimumGap = 6;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void applyAccessibility();

    AccountRowModel model_;
    const Clock& clock_;
};

} // namespace meterix
