#pragma once

#include "design/PressableButton.h"
#include "panels/HoverFade.h"

#include <functional>

namespace meterix {

// A pill button of the detail card: a symbol and a title on a plate, or, when
// prominent, white on an accent gradient. It stretches to the width it is given.
class GlassActionButton : public PressableButton {
    Q_OBJECT

  public:
    GlassActionButton(QString title, QString symbol, bool isProminent, std::function<void()> action,
                      QWidget* parent = nullptr);

    static constexpr double marginH = 10;
    static constexpr double marginV = 6;
    static constexpr double spacing = 5;
    static constexpr double cornerRadius = 9;
    // How much a disabled button fades.
    static constexpr double disabledOpacity = 0.5;

    // The colours of a look, resolved now.
    struct Look {
        QColor foreground;
        QColor fillTop;
        QColor fillBottom;
        QColor hoverWash; // transparent unless hovered and plain
        QColor rim;
    };
    static Look lookFor(bool isProminent, double hover);

    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    bool isHovered() const { return hover_.isHovered(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintContent(QPainter& painter, const QRectF& rect) override;
    bool hitButton(const QPoint& pos) const override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QString title_;
    QString symbol_;
    bool prominent_;
    std::function<void()> action_;
    HoverFade hover_;
};

} // namespace meterix
