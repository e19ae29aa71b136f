#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

namespace meterix {

class HoverFade;

// A two-line row of the panel with views of the caller's on either side: the
// leading view, the title over an optional subtitle, the trailing view and an
// optional chevron. With an action it is a button that shows a soft plate while
// hovered and nudges its chevron; without one it is a plain, unclickable line.
// It takes ownership of both views.
class MenuPlateRow : public QAbstractButton {
    Q_OBJECT

  public:
    MenuPlateRow(QString title, std::optional<QString> subtitle, bool showsChevron,
                 std::function<void()> action, QWidget* leading, QWidget* trailing,
                 QWidget* parent = nullptr);
    ~MenuPlateRow() override;

    static constexpr double spacing = 9;
    static constexpr double textSpacing = 1.5;
    static constexpr double marginH = 10;
    static constexpr double marginV = 8;
    static constexpr double minSpacer = 6;
    static constexpr double plateRadius = 10;
    // The chevron at rest and hovered.
    static constexpr double chevronRestOpacity = 0.55;
    static constexpr double chevronHoverShift = 1.5;

    bool isHovered() const;
    void setHovered(bool hovered);
    // How the chevron is drawn now: opacity and rightward shift.
    double chevronOpacity() const;
    double chevronShift() const;

    const QString& title() const { return title_; }
    const std::optional<QString>& subtitle() const { return subtitle_; }
    void setTitle(const QString& title);
    void setSubtitle(const std::optional<QString>& subtitle);
    // The subtitle as drawn: on one line when it fits its room, else broken
    // between words onto a second, which alone is cut at the tail.
    QStringList shownSubtitle() const;
    // The same for a room of that width (pure).
    static QStringList subtitleLines(const QString& subtitle, double width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void placeViews();
    QRectF textRect() const { return textRect(width()); }
    QRectF textRect(int width) const;
    double chevronWidth() const;

    QString title_;
    std::optional<QString> subtitle_;
    bool showsChevron_;
    bool clickable_;
    QPointer<QWidget> leading_;
    QPointer<QWidget> trailing_;
    HoverFade* hover_;
};

} // namespace meterix
