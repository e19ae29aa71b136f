#pragma once

#include "design/SpringAnimator.h"
#include "platform/ui/SymbolImage.h"

#include <QColor>
#include <QFont>
#include <QSizeF>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace meterix {

class Localization;

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

// The shared drawing of the tier, working and app-open badges. A badge that
// comes and goes with its state grows from nothing about its centre while it
// fades in, and shrinks and fades away, on the layout spring; without motion it
// is simply there or gone. A badge that is there from the start just is. A
// change of language gives it its new text's width and name.
class CapsuleBadge : public QWidget {
    Q_OBJECT

public:
    QSize sizeHint() const override;
    // The badge's own size for a look (pure, given the fonts).
    static QSizeF measure(const BadgeLook& look);

    // Shows the badge and lets it grow in (at once while unseen or without motion).
    void appear();
    // Lets it shrink away, then calls gone (at once while unseen or without
    // motion); an appear() before then takes it back and gone is never called.
    void leave(std::function<void()> gone);
    bool isLeaving() const { return bool(gone_); }
    // How a presence (0 gone ... 1 fully there; a spring, it may overshoot a
    // little) is drawn: the scale about the centre (never quite zero, so
    // the transform stays invertible) and the opacity.
    static double presenceScale(double presence) { return std::max(0.00001, presence); }
    static double presenceOpacity(double presence) { return std::clamp(presence, 0.0, 1.0); }

protected:
    // Its width and name follow the language localization tells of.
    explicit CapsuleBadge(Localization& localization, QWidget* parent = nullptr);

    virtual BadgeLook look() const = 0;
    // The name it is read by: its text unless the badge says more.
    virtual QString accessibleText() const { return look().text; }
    // Its text may have changed: it asks for its new size, takes its new name
    // and redraws. A subclass calls it once it is made.
    void textChanged();
    // Draws a mark that is not a symbol into box.
    virtual void paintMark(QPainter& painter, const QRectF& box) const;

    void paintEvent(QPaintEvent* event) override;

private:
    static QSizeF markSize(const BadgeLook& look);
    bool animates() const;

    SpringAnimator presence_;
    std::function<void()> gone_;
};

} // namespace meterix
