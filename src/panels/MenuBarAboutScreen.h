#pragma once

#include "panels/MenuSubScreen.h"

#include <QList>

namespace meterix {

class MenuCommandRow;
class ProductRow;
class TextView;

// The panel's about screen: the app's icon, name, version and tagline, its
// licence, a block about the maker, and the maker's other products. It leads
// to no page: none of them has a public one. Built anew in the new language
// when it changes.
class MenuBarAboutScreen : public MenuSubScreen {
    Q_OBJECT

  public:
    explicit MenuBarAboutScreen(MenuScreenContext context, QWidget* parent = nullptr);

    static constexpr double spacing = 14;

    // The lab's colour, by the look the screen follows.
    QColor labAccent() const;

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
