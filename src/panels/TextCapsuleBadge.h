#pragma once

#include "design/CapsuleBadge.h"

#include <functional>

namespace meterix {

// A capsule that holds a short text only, its look resolved when drawn: the
// plan badge of the card and the "No data" and "Re-measuring" capsules of the
// hero.
class TextCapsuleBadge : public CapsuleBadge {
    Q_OBJECT

  public:
    TextCapsuleBadge(Localization& localization, std::function<BadgeLook()> look, QWidget* parent = nullptr);
    QString text() const { return look().text; }
    void setLook(std::function<BadgeLook()> look);

    // A text on a capsule filled with fill and no rim, without a mark.
    static BadgeLook plain(QString text, QFont font, QColor foreground, QColor fill, double marginH,
                           double marginV);

  protected:
    BadgeLook look() const override { return look_(); }

  private:
    std::function<BadgeLook()> look_;
};

} // namespace meterix
