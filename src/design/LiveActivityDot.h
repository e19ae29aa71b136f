#pragma once

#include <QColor>
#include <QWidget>

namespace meterix {

class EndlessPulse;

// A small dot whose halo grows and fades out again and again while a refresh
// runs (it stands still when the desktop asks for reduced animation).
class LiveActivityDot : public QWidget {
    Q_OBJECT

public:
    explicit LiveActivityDot(QColor color, QWidget* parent = nullptr);

    // The halo's scale and opacity at a pulse value (0 resting, 1 fully out).
    static double haloScale(double pulse) { return 0.45 + (1.0 - 0.45) * pulse; }
    static double haloOpacity(double pulse) { return 0.8 * (1.0 - pulse); }

    QSize sizeHint() const override { return QSize(12, 12); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    EndlessPulse* pulse_;
};

} // namespace meterix
