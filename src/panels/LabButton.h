#pragma once

#include "design/PressableButton.h"

#include <functional>

namespace meterix {

class HoverFade;

// The maker block's call to action: a white title and an outward arrow on a
// full-width rounded plate in the lab's colour, a little brighter while hovered.
class LabButton : public PressableButton {
    Q_OBJECT

  public:
    LabButton(QString title, std::function<QColor()> fill, std::function<void()> action,
              QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    bool isHovered() const;
    void setHovered(bool hovered);
    // The plate's colour now (brightened by 0.05 while hovered).
    QColor plateColor() const;

    QSize sizeHint() const override;

  protected:
    void paintContent(QPainter& painter, const QRectF& rect) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QString title_;
    std::function<QColor()> fill_;
    HoverFade* hover_;
};

} // namespace meterix
