#pragma once

#include "panels/HoverPressableButton.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace meterix {

// The header of every sub-screen of the panel: a back button on the left (a
// chevron and the title of the screen it returns to, in the accent colour), the
// screen's title centred on one line, and an optional short text on the right.
class MenuScreenHeader : public QWidget {
    Q_OBJECT

  public:
    MenuScreenHeader(QString backTitle, QString title, std::optional<QString> trailingText,
                     std::function<void()> onBack, QWidget* parent = nullptr);

    // The title keeps this far from both sides, clear of the button and the text.
    static constexpr double titleMargin = 78;
    static constexpr double spacing = 8;
    static constexpr double minSpacer = 4;

    // The accessible name: the title put in the screenSuffix text ("Settings screen").
    static QString accessibleLabel(const QString& title);

    class BackButton;
    const QString& title() const { return title_; }
    const std::optional<QString>& trailingText() const { return trailingText_; }
    void setTrailingText(std::optional<QString> text);
    // The title as drawn in the room there is (cut with an ellipsis).
    QString shownTitle() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QString title_;
    std::optional<QString> trailingText_;
    BackButton* back_;
};

// The header's back button: a chevron and a title on a plate that tints on hover.
class MenuScreenHeader::BackButton final : public HoverPressableButton {
    Q_OBJECT

  public:
    BackButton(QString title, QWidget* parent);
    QSize sizeHint() const override;

    static constexpr double marginH = 7;
    static constexpr double marginV = 4;
    static constexpr double spacing = 3;
    static constexpr double plateRadius = 6;

  protected:
    void paintContent(QPainter& painter, const QRectF& rect) override;

  private:
    QString title_;
};

} // namespace meterix
