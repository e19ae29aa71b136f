#pragma once

#include "design/CapsuleBadge.h"

namespace meterix {

class EndlessPulse;

// "Working": a green dot that breathes while the badge is on screen (standing
// still when the desktop asks for reduced animation), beside the text, on a
// green-tinted capsule.
class LiveStreamBadge : public CapsuleBadge {
    Q_OBJECT

public:
    explicit LiveStreamBadge(Localization& localization, QWidget* parent = nullptr);

    // The badge's green: sRGB 48, 209, 88.
    static QColor live() { return QColor(48, 209, 88); }
    // The dot's scale and glow at a pulse value (0 resting, 1 full breath).
    static double dotScale(double pulse) { return 0.86 + (1.18 - 0.86) * pulse; }
    static double glowRadius(double pulse) { return 1.5 + (3.5 - 1.5) * pulse; }

protected:
    BadgeLook look() const override;
    QString accessibleText() const override;
    void paintMark(QPainter& painter, const QRectF& box) const override;

private:
    EndlessPulse* pulse_;
};

} // namespace meterix
