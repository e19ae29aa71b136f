#pragma once

#include <QVariantAnimation>
#include <QWidget>

namespace meterix {

class Appearance;

// The small indeterminate spinner beside the panel's status line: a ring of
// fading spokes turning once a second while shown (standing still when the
// desktop asks for reduced animation).
class MenuActivitySpinner : public QWidget {
    Q_OBJECT

  public:
    // Stands still when the look asks for reduced motion.
    MenuActivitySpinner(Appearance& appearance, double side, QWidget* parent = nullptr);
    bool isTurning() const { return turn_.state() == QAbstractAnimation::Running; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    Appearance& appearance_;
    double side_;
    QVariantAnimation turn_;
};

} // namespace meterix
