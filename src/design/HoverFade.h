#pragma once

#include <QObject>
#include <QVariantAnimation>

namespace meterix {

// A hover flag whose look eases: the amount glides to 1 when the pointer comes
// and back to 0 when it leaves, with the platform's ease-out, for controls whose
// hover wash fades in and out. The owner repaints on changed().
class HoverFade : public QObject {
    Q_OBJECT

  public:
    explicit HoverFade(int durationMs, QObject* parent = nullptr);

    bool isHovered() const { return hovered_; }
    // 0 at rest, 1 fully hovered.
    double amount() const;
    void setHovered(bool hovered);

  Q_SIGNALS:
    void changed();

  private:
    bool hovered_ = false;
    QVariantAnimation fade_;
};

} // namespace meterix
