#pragma once

#include "core/Clock.h"
#include "core/UsageSnapshot.h"
#include "design/PressableButton.h"
#include "design/SpringAnimator.h"

#include <QPointer>
#include <QVariantAnimation>

#include <algorithm>
#include <functional>

#include <optional>

namespace meterix {

class Appearance;

class EndlessPulse;
class RollingDigitsView;

// One provider on the bar: a small ring around the provider's symbol with the
// remaining percentage beside it, in its tier's colours, on a plate that shows
// selection and hover. While the provider's tool is at work a halo and a live
// dot pulse around the ring. A figure that cannot be trusted (a placeholder, a
// short window that has reset since the reading, a figure that is not a
// number) is withheld: "---" and a grey, empty ring. Everything shown is
// derived from the snapshot and flags at paint time; the widget keeps only its
// hover and pulse state.
class ProviderSegmentView : public PressableButton {
    Q_OBJECT

public:
    // appearance: its look's changes recolour the digits, and reduced motion
    // stills its sweeps.
    ProviderSegmentView(const UsageSnapshot& snapshot, Appearance& appearance, const Clock& clock = Clock::system(),
                        QWidget* parent = nullptr);
    ~ProviderSegmentView() override;

    // The label's box (66 x 24) and the room around it for the halo and shadow.
    static constexpr double labelWidth = 66;
    static constexpr double labelHeight = 24;
    static constexpr double margin = 6;
    static constexpr double ringCell = 20;
    static constexpr double percentWidth = 33;
    static constexpr double spacing = 4;
    // How much room a segment takes, for a bar that must fit a narrow screen:
    // the full label; snug, the label cut to its ring and figure; ringOnly, the
    // ring alone on its plate, the figure left to the tooltip and the
    // accessible value. The bar takes the first form that fits its screen.
    enum class Form { full, snug, ringOnly };
    static constexpr double snugLabelWidth = ringCell + spacing + percentWidth;
    static constexpr double compactLabelWidth = 28;
    static constexpr double labelWidthFor(Form form) {
        return form == Form::full ? labelWidth : form == Form::snug ? snugLabelWidth : compactLabelWidth;
    }

    const UsageSnapshot& snapshot() const { return snapshot_; }
    AIProviderType provider() const { return snapshot_.provider; }
    void setSnapshot(const UsageSnapshot& snapshot);
    void setSelected(bool selected);
    void setWorking(bool working);
    bool isHovered() const { return hovered_; }
    void setForm(Form form);
    bool showsFigure() const { return form_ != Form::ringOnly; }

    // Derived values, as drawn now.
    bool isWithheld() const;
    UsageTier tier() const;
    QString tooltip() const;
    QString accessibilityValueText() const;
    // The pulse's state: 0 at rest, 1 fully out.
    double pulseAmount() const;

    // Arriving on and leaving the bar: the segment scales from 0.92 about its
    // centre and fades, on the layout spring (at once without motion).
    void appear();
    // Fades out, then runs done (at once without motion).
    void leave(std::function<void()> done);
    static double presenceScale(double presence) { return 0.92 + 0.08 * presence; }
    static double presenceOpacity(double presence) { return std::clamp(presence, 0.0, 1.0); }
    QRectF labelRect() const;
    // The ring cell and the figure beside it (the ring cell alone when compact).
    QRectF rowRect() const;

    // The same rules, pure.
    static bool isWithheld(const UsageSnapshot& snapshot, const QDateTime& now);
    // The reading comes as it is shown (its addresses masked when the user asks).
    static QString tooltip(const UsageSnapshot& snapshot, const Clock& clock);
    static QString accessibilityValueText(const UsageSnapshot& snapshot, bool working, const QDateTime& now);
    static QString accessibilityLabel(const UsageSnapshot& snapshot);

    QSize sizeHint() const override;

protected:
    void paintContent(QPainter& painter, const QRectF& rect) override;
    QRectF contentBounds() const override;
    bool hitButton(const QPoint& pos) const override;
    void nextCheckState() override {} // selection belongs to the bar, not to the click
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void refresh();
    // Everything refresh() decides about the look; equal keys paint alike.
    QByteArray lookKey() const;
    void placeChildren();
    void paintPlate(QPainter& p, const QRectF& label, const QColor& tierColor, bool withheld) const;
    void paintRingCell(QPainter& p, const QPointF& centre, const QColor& tierColor, bool withheld);

    Appearance& appearance_;
    const Clock& clock_;
    UsageSnapshot snapshot_;
    bool selected_ = false;
    bool working_ = false;
    Form form_ = Form::full;
    bool hovered_ = false;
    bool renderingChildren_ = false;
    RollingDigitsView* digits_ = nullptr;
    QPointer<EndlessPulse> pulse_;
    QVariantAnimation settle_; // the pulse easing back to rest when work stops
    SpringAnimator hover_;
    SpringAnimator ring_; // the ring's shown percentage, on the gauge spring
    SpringAnimator presence_;
    bool leaving_ = false;
    QByteArray paintedLook_;
    // The ring's stamp key and what it was written from.
    struct RingStamp {
        double value;
        QList<QColor> colors;
        QRgb symbolColor;
        QRgb track;
        QString symbol;
        QByteArray key;
        bool sameAs(const RingStamp& o) const {
            return value == o.value && colors == o.colors && symbolColor == o.symbolColor &&
                   track == o.track && symbol == o.symbol;
        }
    };
    std::optional<RingStamp> ringStamp_;
};

} // namespace meterix
