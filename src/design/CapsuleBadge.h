#pragma once

#include "platform/ui/SymbolImage.h"

#include <QColor>
#include <QFont>
#include <QSizeF>
#include <QString>
#include <QWidget>

namespace meterix {

// What a capsule badge shows, resolved when it is drawn: a leading mark (a
// symbol, or whatever a subclass paints), a short text, and a capsule with a
// tinted fill and a thin inner rim.
struct BadgeLook {
    QString symbol;          // empty when the subclass paints its own mark
    double symbolPointSize = 0;
    SymbolWeight symbolWeight = SymbolWeight::regular;
    QSizeF markSize;         // the mark's box when it is not a symbol
    QString text;
    QFont font;
    QColor foreground;
    QColor fill;
    QColor rim;
    double spacing = 3;
    double marginH = 7;
    double marginV = 3;
};

// The shared drawing of the tier, working and app-open badges.
class CapsuleBadge : public QWidget {
    Q_OBJECT

public:
    QSize sizeHint() const override;
    // The badge's own size for a look (pure, given the fonts).
    static QSizeF measure(const BadgeLook& look);

protected:
    explicit CapsuleBadge(QWidget* parent = nullptr);

    virtual BadgeLook look() const = 0;
    // Draws a mark that is not a symbol into box.
    virtual void paintMark(QPainter& painter, const QRectF& box) const;

    void paintEvent(QPaintEvent* event) override;

private:
    static QSizeF markSize(const BadgeLook& look);
};

} // namespace meterix
