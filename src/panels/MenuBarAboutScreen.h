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

    MenuCommandRow* sourceRow() const { return source_; }
    TextView* tagline() const { return tagline_; }
    LabButton* labButton() const { return lab_; }
    QList<ProductRow*> productRows() const { return products_; }
    // The stat chips' texts in order ("05 Products", "04 Live", the location).
    QStringList statTexts() const { return stats_; }
    bool showsIconTile() const { return iconTile_; }

  protected:
    void build() override;

  private:
    QWidget* identityBlock();
    QWidget* appSection();
    QWidget* makerSection();
    QWidget* productsSection();

    QWidget* content_ = nullptr;
    MenuCommandRow* source_ = nullptr;
    TextView* tagline_ = nullptr;
    LabButton* lab_ = nullptr;
    QList<ProductRow*> products_;
    QStringList stats_;
    bool iconTile_ = false;
};

} // namespace meterix
