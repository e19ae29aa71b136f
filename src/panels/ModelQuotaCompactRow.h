#pragma once

#include "core/UsageSnapshot.h"
#include "panels/HoverFade.h"

#include <QWidget>

#include <optional>

namespace meterix {

// One per-model line of the detail card: a tier dot, the model's name and
// quota type, a small quota bar and the remaining figure, on a wash while the
// pointer is over it.
class ModelQuotaCompactRow : public QWidget {
    Q_OBJECT

  public:
    // What the row shows for an item (pure).
    struct Display {
        UsageTier tier = UsageTier::abundant;
        double barPercentage = 0;
        QString percentText; // the rounded figure and "%", or "---"
        QString accessibilityLabel;
    };
    static Display display(const ModelQuotaItem& model);

    static constexpr double marginH = 8;
    static constexpr double marginV = 4;
    static constexpr double barWidth = 46;
    static constexpr double percentWidth = 34;

    explicit ModelQuotaCompactRow(const ModelQuotaItem& model, QWidget* parent = nullptr);

    const ModelQuotaItem& model() const { return model_; }
    bool isHovered() const { return hover_.isHovered(); }
    // 0 at rest, 1 fully hovered (eases between).
    double hoverAmount() const { return hover_.value(); }

    // The name as drawn at the row's width: without the window the line below
    // gives, cut in the middle when it still does not fit.
    QString shownName() const;
    // Where the name and the quota type are drawn.
    QRectF nameRoom() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    ModelQuotaItem model_;
    Display display_;
    HoverFade hover_;
};

} // namespace meterix
