#pragma once

#include <QVariantAnimation>

namespace meterix {

// A hover flag that eases in and out: 0 away, 1 hovered, easing out over its
// duration in both directions. A row draws its hover look blended by value().
class HoverFade : public QObject {
    Q_OBJECT

  public:
    HoverFade(double seconds, QObject* parent = nullptr);

    bool isHovered() const { return hovered_; }
    double value() const { return value_; }
    // animated false (a hidden row) jumps at once.
    void setHovered(bool hovered, bool animated = true);

  Q_SIGNALS:
    void changed();

  private:
    QVariantAnimation animation_;
    bool hovered_ = false;
    double value_ = 0;
};

} // namespace meterix
