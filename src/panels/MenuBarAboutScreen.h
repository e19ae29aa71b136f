#pragma once

#include "panels/MenuSubScreen.h"

#include <QList>

namespace meterix {

class LabButton;
class MenuCommandRow;
class ProductRow;
class TextView;

// The panel's about screen: the app's icon, name, version and tagline, its
// source and licence, a block about the maker with a link to the lab, and the
// maker's other products. Built anew in the new language when it changes.
class MenuBarAboutScreen : public MenuSubScreen {
    Q_OBJECT

  public:
    explicit MenuBarAboutScreen(MenuScreenContext context, QWidget* parent = nullptr);

    static constexpr double spacing = 14;

    // The lab's colours, by the look the screen follows.
    QColor labAccent() const;
    QColor labAccentFill() const;

  protected:
    void build() override;

  private:
    QWidget* identityBlock();
    QWidget* appSection();
    QWidget* makerSection();
    QWidget* productsSection();

    QWidget* content_ = nullptr;
};

} // namespace meterix
