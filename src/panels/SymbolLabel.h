#pragma once

#include "platform/ui/SymbolImage.h"

#include <QColor>
#include <QFont>
#include <QWidget>

#include <functional>

namespace meterix {

// A symbol followed by a text on one line (or wrapping onto as many lines as
// the width needs), both in a colour looked up when drawn: the reset lines and
// the failure line of the card and the quota views. Drawn only.
class SymbolLabel : public QWidget {
    Q_OBJECT

  public:
    struct Look {
        QString symbol;
        double symbolPointSize = 10;
        SymbolWeight symbolWeight = SymbolWeight::regular;
        QFont font;
        std::function<QColor()> color;
        double spacing = 4;
        bool wraps = false;
    };

    SymbolLabel(Look look, QString text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    const Look& look() const { return look_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return look_.wraps; }
    int heightForWidth(int width) const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double symbolSide() const;
    QRectF textRect(double width) const;

    Look look_;
    QString text_;
};

} // namespace meterix
