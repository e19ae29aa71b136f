#pragma once

#include <QScrollArea>

namespace meterix {

// The part of a card between its pinned header and its pinned buttons: as tall
// as its content where the card has the room, else as tall as the card is
// given, scrolling its content under the wheel (and to the control the keys
// reach) with a thin thumb along its right edge that shows how much more
// there is and where. Nothing of it is drawn while everything fits.
class CardScrollBody : public QScrollArea {
    Q_OBJECT

  public:
    explicit CardScrollBody(QWidget* content, QWidget* parent = nullptr);

    static constexpr double thumbWidth = 3;
    static constexpr double thumbInset = 2; // from the right edge, the top and the bottom
    static constexpr double minimumThumb = 16;

    bool scrolls() const;
    // The thumb in the body's coordinates; empty while everything fits.
    QRectF thumbRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void follow();
    QWidget* thumb_;
};

} // namespace meterix
