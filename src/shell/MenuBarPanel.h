#pragma once

#include "shell/MenuBarPanelSurface.h"

#include <QVariantAnimation>
#include <QWidget>

namespace meterix {

// The status-item panel's window: frameless, translucent, always on top of the
// floating bar, left out of taskbars and pagers and shown on every workspace.
// Unlike the bar it takes the keyboard while open, so the panel's keys work.
// Its content fills it; only the controller moves or resizes it. Without a
// compositor (where translucent pixels show black and fades do not show) the
// window is cut to its card.
class MenuBarPanel final : public QWidget, public MenuBarPanelSurface {
    Q_OBJECT

  public:
    // cardMargin and cardRadius: where the content draws its card.
    MenuBarPanel(const QRectF& frame, QWidget* content, double cardMargin, double cardRadius);
    ~MenuBarPanel() override;

    static Qt::WindowFlags panelFlags();
    static inline const QString windowTitleText = QStringLiteral("Meterix panel");

    QWidget* content() const { return content_; }

    QRectF frame() const override;
    void setFrame(const QRectF& frame) override;
    double alpha() const override { return alpha_; }
    void setAlpha(double alpha) override;
    void animate(const QRectF& frame, double alpha, double seconds, const QEasingCurve& curve,
                 std::function<void()> done) override;
    void orderFront() override;
    void orderOut() override;
    bool isWindow(const QObject* window) const override;
    void setContentHeightLimit(double height) override;

  Q_SIGNALS:
    // Handed on to the content, which keeps within it.
    void contentHeightLimitChanged(double height);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void applyFrame(const QRectF& frame);
    void applyAlpha(double alpha);
    void reshape();
    void finishAnimation();

    QWidget* content_;
    double cardMargin_;
    double cardRadius_;
    bool shaped_ = false;
    double alpha_ = 1;
    QVariantAnimation animation_;
    QRectF fromFrame_, toFrame_;
    double fromAlpha_ = 1, toAlpha_ = 1;
    std::function<void()> done_;
};

} // namespace meterix
