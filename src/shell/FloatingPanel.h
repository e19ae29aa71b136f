#pragma once

#include "shell/FloatingPanelSurface.h"

#include <QRegion>
#include <QWidget>

namespace meterix {

// The floating bar's window: frameless, translucent, always on top, a tool
// window that takes focus only while a detail card is open, left out of
// taskbars and pagers and shown on every workspace. It never sizes itself: its
// content fills it, and only the controller moves or resizes it. It stays
// unmapped until the controller reveals it, so nothing half-laid-out is ever
// seen (window opacity needs a compositor, which a plain X server lacks).
class FloatingPanel final : public QWidget, public FloatingPanelSurface {
    Q_OBJECT

public:
    explicit FloatingPanel(const QRectF& contentRect, QWidget* content = nullptr);

    static Qt::WindowFlags panelFlags();

    QWidget* content() const { return content_; }

    // The parts of the window that are drawn on. Without a compositor the
    // window is cut to them, since translucent pixels would show black. When
    // the content repaints whatever the new shape uncovers right after (the
    // cat's cells), the X server is not asked for the exposures it brings.
    void setSolidRegion(const QRegion& region, bool uncoveredRepainted = false);

    QRectF frame() const override;
    void setFrame(const QRectF& frame) override;
    void setOrigin(const QPointF& origin) override;
    bool isRevealed() const override { return revealed_; }
    void reveal() override;
    void orderFront() override;
    bool isWindow(const QObject* window) const override;
    void setTakesKeyboard(bool takes) override;

Q_SIGNALS:
    // The first frame has been drawn.
    void firstPainted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* content_;
    bool revealed_ = false;
    bool shaped_ = false;
    bool painted_ = false;
    QRegion solidRegion_;
};

} // namespace meterix
