#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

namespace meterix {

// A rounded square filled with a top-to-bottom gradient, a light rim, and a white
// symbol, lifted by a soft shadow in its last colour. The widget keeps a margin
// around the size x size tile for that shadow. Drawn only; not accessible.
class IconTile : public QWidget {
    Q_OBJECT

public:
    IconTile(QString symbol, QList<QColor> colors, double size, QWidget* parent = nullptr);

    // Draws a tile filling frame (its shadow falls outside).
    static void paint(QPainter& painter, const QRectF& frame, const QString& symbol, const QList<QColor>& colors);
    static double cornerRadius(double size) { return size * 0.32; }
    static double symbolPointSize(double size) { return size * 0.5; }
    // The outer shadow's colour: the last colour at 32 %, clear without colours.
    static QColor shadowColor(const QList<QColor>& colors);
    // The room the outer shadow needs on each side.
    static int shadowMargin();

    void setColors(const QList<QColor>& colors);
    const QList<QColor>& colors() const { return colors_; }

    QRectF tileRect() const;
    double tileSize() const { return size_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    QList<QColor> colors_;
    double size_;
};

} // namespace meterix
