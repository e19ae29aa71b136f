#pragma once

#include "panels/BusySpinState.h"
#include "panels/MenuRowRole.h"

#include <QAbstractButton>
#include <QColor>
#include <QVariantAnimation>

#include <functional>
#include <optional>

namespace meterix {

class Appearance;
class HoverFade;

// One clickable command line of the panel: an optional symbol, the title, and
// on the right one accessory (a keyboard shortcut, else a short text, else a
// chevron). Hovered, it sits on an accent (or, destructive, red) gradient plate
// with its texts in white. While busy its symbol turns clockwise.
class MenuCommandRow : public QAbstractButton {
    Q_OBJECT

  public:
    // Its symbol stands still while busy when the look asks for reduced motion.
    MenuCommandRow(Appearance& appearance, QString title, std::optional<QString> symbol,
                   std::optional<QString> shortcut, std::optional<QString> trailingText, bool showsChevron,
                   MenuRowRole role, bool isBusy, std::function<void()> action, QWidget* parent = nullptr);
    ~MenuCommandRow() override;

    // What the row shows on its right.
    struct Accessory {
        enum class Kind { shortcut, trailingText, chevron, none };
        Kind kind = Kind::none;
        QString text; // the shortcut or the trailing text
        bool operator==(const Accessory&) const = default;
    };
    // The first that applies: shortcut, trailing text, chevron, nothing.
    static Accessory accessoryFor(const std::optional<QString>& shortcut,
                                  const std::optional<QString>& trailingText, bool showsChevron);

    // The colours of each part, resting or hovered.
    struct Look {
        QColor label;     // the title
        QColor symbol;    // the symbol
        QColor accessory; // the shortcut, text or chevron
        QColor plateTop;  // the hover plate's gradient (clear at rest)
        QColor plateBottom;
    };
    static Look lookFor(MenuRowRole role, bool hovered);
    // The plate's colour: the accent for a standard row, red for a destructive one.
    static QColor plateBase(MenuRowRole role);
    static QColor destructiveRed() { return QColor(255, 69, 58); }

    static constexpr double symbolColumn = 15;
    static constexpr double spacing = 9;
    static constexpr double marginH = 9;
    static constexpr double marginV = 6;
    static constexpr double minSpacer = 6;
    static constexpr double plateRadius = 7;

    void setTitle(const QString& title);
    QString title() const { return title_; }
    void setBusy(bool busy);
    bool isBusy() const { return spin_.isBusy(); }
    bool isSpinning() const { return spin_.isSpinning(); }
    // The symbol's rotation in degrees now.
    double spinAngle() const;
    MenuRowRole role() const { return role_; }
    const Accessory& accessory() const { return accessory_; }
    bool isHovered() const;
    void setHovered(bool hovered);
    // Where the title starts (the leading margin without a symbol).
    double titleX() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    Appearance& appearance_;
    QString title_;
    std::optional<QString> symbol_;
    Accessory accessory_;
    MenuRowRole role_;
    BusySpinState spin_;
    QVariantAnimation turn_;
    HoverFade* hover_;
};

} // namespace meterix
