#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <functional>

namespace meterix {

// A text drawn in a font and a colour that is looked up at paint time (so a
// light/dark switch only needs a repaint). It either stays on one line at its
// ideal width or wraps to the width it is given, growing in height.
class TextView : public QWidget {
    Q_OBJECT

public:
    TextView(QString text, QFont font, std::function<QColor()> color, bool wraps, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    // A one-line text that may be narrower than its text, cut with an
    // ellipsis at the head, middle or tail; ElideNone (the default) keeps its
    // ideal width.
    void setElideMode(Qt::TextElideMode mode);
    // Where a wrapping text's lines sit across its width (leading by default).
    void setLineAlignment(Qt::Alignment horizontal);
    // The text as drawn at the current width.
    QString shownText() const;
    // The colour it paints with now (its colour is looked up at paint time).
    QColor color() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return wraps_; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QFont font_;
    std::function<QColor()> color_;
    bool wraps_;
    Qt::TextElideMode elide_ = Qt::ElideNone;
    Qt::Alignment lineAlignment_ = Qt::AlignLeft;
};

} // namespace meterix
