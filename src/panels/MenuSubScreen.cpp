#include "panels/MenuSubScreen.h"

#include "core/L10n.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuScreenHeader.h"

#include <QTimer>
#include <QVBoxLayout>

namespace meterix {

MenuSubScreen::MenuSubScreen(MenuScreenContext context, double spacing, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), spacing_(spacing) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
}

MenuScreenHeader* MenuSubScreen::header() const {
    return header_;
}

QVBoxLayout* MenuSubScreen::beginContent(const QString& title, std::optional<QString> trailingText) {
    if (content_) {
        layout()->removeWidget(content_);
        content_->hide();
        content_->deleteLater();
    }
    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(spacing_));
    MenuBarNavigator* navigator = context_.navigator;
    header_ = new MenuScreenHeader(
        L10n::overview().text(), title, std::move(trailingText),
        [navigator] {
            if (navigator) navigator->popToRoot();
        },
        content_);
    column->addWidget(header_);
    return column;
}

void MenuSubScreen::endContent(QVBoxLayout* column) {
    column->addStretch(1);
    layout()->addWidget(content_);
    updateGeometry();
}

void MenuSubScreen::rebuild() {
    build();
}

void MenuSubScreen::scheduleRefresh() {
    if (refreshQueued_) return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        refresh();
    });
}

} // namespace meterix
