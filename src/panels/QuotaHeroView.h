#pragma once

#include "core/UsageTier.h"

#include <QDateTime>
#include <QLocale>
#include "core/UsageUnavailableReason.h"

#include <QWidget>

#include <optional>

namespace meterix {

class Appearance;
class Localization;
class LiveStreamBadge;
class RingGauge;
class SymbolLabel;
class TextCapsuleBadge;
class TextView;
class TierBadge;

// The hero of a quota window: a large ring with the remaining percentage at its
// centre, and beside it the tier (or why the figure is withheld), a "Working"
// badge while the provider's tool is at work, the window's caption and its
// reset line. A figure that cannot be trusted (a placeholder, a window that has
// ended since the reading, a reading that is not a number) is withheld: "---"
// in a grey, empty ring.
class QuotaHeroView : public QWidget {
    Q_OBJECT

  public:
    struct Inputs {
        double percentage = 0;
        QString caption;
        std::optional<double> resetCountdown;
        bool isInUse = false;
        double ringSize = 76;
        bool isSimulated = false;
        // Given only when the window has already ended: its reset time.
        std::optional<QDateTime> windowEndedAt;
        // Why a reading without a figure has none; as not configured when absent.
        std::optional<UsageUnavailableReason> missingReason;
        bool operator==(const Inputs&) const = default;
    };

    // What the hero shows for its inputs (pure).
    struct Display {
        bool withheld = false;
        double ringPercentage = 0;            // 0 when withheld
        UsageTier tier = UsageTier::abundant; // of the unrounded percentage
        std::optional<qint64> figure;         // the centre figure; nothing when withheld
        QString centreCaption;                // "left", or why there is no figure
        std::optional<QString> withheldBadge; // in place of the tier badge
        bool showsLiveBadge = false;
        std::optional<QString> resetLine;
        QString accessibilityLabel;
    };
    static Display display(const Inputs& inputs, const QLocale& locale = QLocale::system());

    // The caption under "---" inside a ring of that size, set so that no line
    // reaches the ring's stroke: on one line at its own size when it fits, else
    // broken onto two, else smaller (never under 60 % of its size), cut at the
    // tail only when even that does not fit. Each line sits where its width is
    // checked: its box, in the ring centre's coordinates (the ring's frame).
    struct RingCaption {
        QStringList lines;
        double pixelSize = 0;
        QList<QRectF> lineBoxes;
        QRectF figureBox; // the "---" above the caption
    };
    static RingCaption fitRingCaption(const QString& text, double ringSize);
    // How far from the ring's centre text may reach: inside the stroke's inner
    // edge, with a little air.
    static double ringTextRadius(double ringSize);

    QuotaHeroView(Appearance& appearance, Localization& localization, const Inputs& inputs,
                  QWidget* parent = nullptr);
    ~QuotaHeroView() override;

    const Display& shown() const { return display_; }
    // Changes in place: the ring glides and the digits roll to the new figure.
    void setInputs(const Inputs& inputs);

    RingGauge* ring() const { return ring_; }

  private:
    void refresh();

    Localization& localization_;
    Inputs inputs_;
    Display display_;
    RingGauge* ring_ = nullptr;
    QWidget* centre_ = nullptr;
    QWidget* badgeRow_ = nullptr;
    TextCapsuleBadge* withheldBadge_ = nullptr;
    TierBadge* tierBadge_ = nullptr;
    LiveStreamBadge* liveBadge_ = nullptr;
    TextView* caption_ = nullptr;
    SymbolLabel* resetLine_ = nullptr;
};

} // namespace meterix
