#pragma once

#include "panels/MenuScreenContext.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QVBoxLayout;

namespace meterix {

class MenuScreenHeader;

// A screen one step below the overview (a provider's, the settings, about): a
// header whose back button returns to the overview, then the screen's own
// parts, built as one piece of content. When what it shows changes, the screen
// refreshes: by default the content is built again (the old piece is hidden at
// once and deleted once the event that changed it, often a click inside it, is
// over); a screen may instead update the parts it has.
class MenuSubScreen : public QWidget {
    Q_OBJECT

  public:
    const MenuScreenContext& context() const { return context_; }
    // The current content (its header first).
    QWidget* content() const { return content_; }
    MenuScreenHeader* header() const;

  protected:
    MenuSubScreen(MenuScreenContext context, double spacing, QWidget* parent);

    // Builds the whole content: begin with beginContent(), end with endContent().
    virtual void build() = 0;
    // Shows what changed; builds the content again unless the screen knows better.
    virtual void refresh() { build(); }

    // A new piece of content with its header; add the parts to the layout given.
    QVBoxLayout* beginContent(const QString& title, std::optional<QString> trailingText = std::nullopt);
    void endContent(QVBoxLayout* column);
    // Builds again now.
    void rebuild();
    // Refreshes once after the current event (several changes that arrive
    // together refresh once).
    void scheduleRefresh();

    MenuScreenContext context_;

  private:
    double spacing_;
    QPointer<QWidget> content_;
    QPointer<MenuScreenHeader> header_;
    bool refreshQueued_ = false;
};

} // namespace meterix
