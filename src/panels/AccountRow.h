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

    // The label as drawn at the row's width: cut in the middle only when the
    // line it shares with the percentage is full.
    QString shownLabel() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The width the label (after its chips) and the subtitle may take.
    struct Rooms {
        double label;
        double subtitle;
    };
    Rooms rooms(const QRectF& contents) const;
    void applyAccessibility();

    AccountRowModel model_;
    const Clock& clock_;
};

} // namespace meterix
