#pragma once

#include "design/SpringAnimator.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <optional>

namespace meterix {

// A whole number whose changed digits roll into place (upwards when the value
// grows, downwards when it shrinks) on the digits spring, followed by an optional
// suffix at 55 % opacity on the same baseline. Digits sit in equal cells as wide
// as the widest digit, so the number does not wobble while it changes. Always at
// its ideal size: it never truncates or wraps.
class RollingDigitsView : public QWidget {
    Q_OBJECT

public:
    RollingDigitsView(qint64 value, QString suffix, QFont font, QColor color, QFont suffixFont,
                      QWidget* parent = nullptr);

    // Where everything goes for a value and suffix (pure, given the fonts).
    struct Layout {
        QString number;     // the plain decimal text ("-" for negatives, no grouping)
        double cellWidth;   // one digit cell (the widest digit)
        double numberWidth; // digit cells plus the sign's own width
        bool hasSuffix;
        double suffixX;     // where the suffix starts
        double width;
        double height;
        double baseline;    // shared by number and suffix
    };
    static Layout layout(qint64 value, const QString& suffix, const QFont& font, const QFont& suffixFont);
    // Without a figure the view shows noFigureText() and no suffix.
    static Layout layout(std::optional<qint64> figure, const QString& suffix, const QFont& font,
                         const QFont& suffixFont);
    static constexpr double suffixOpacity = 0.55;

    qint64 value() const { return value_; }
    // Rolls to the new value while visible; otherwise shows it at once.
    void setValue(qint64 value);
    // A percentage reading, shown as every view shows one (displayedPercent):
    // rounded and held to a sane range, or "---" when it is not a number.
    void setReading(double percentage);
    bool hasFigure() const { return hasFigure_; }
    void setColor(const QColor& color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<qint64> shown() const { return hasFigure_ ? std::optional<qint64>(value_) : std::nullopt; }

    qint64 value_;
    qint64 previous_;
    bool hasFigure_ = true;
    bool previousHadFigure_ = true;
    QString suffix_;
    QFont font_;
    QColor color_;
    QFont suffixFont_;
    SpringAnimator roll_;
};

} // namespace meterix
