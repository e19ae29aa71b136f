#include "panels/MenuToggleRow.h"

#include "core/L10n.h"
#include "design/IconTile.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/SwitchToggleStyle.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace meterix {

MenuToggleRow::MenuToggleRow(QString symbol, QList<QColor> colors, QString title,
                             std::optional<QString> subtitle, bool isOn, std::function<void(bool)> onChange,
                             QWidget* parent)
    : QWidget(parent), switch_(new SwitchToggleStyle(isOn, this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(spacing));
    row->addWidget(new IconTile(std::move(symbol), std::move(colors), tileSize, this), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(1);
    texts->addWidget(new TextView(
        title, MeterixFont::rounded(11.5, QFont::Medium), [] { return LabelColor::primary(); }, false, this));
    if (subtitle)
        texts->addWidget(new TextView(
            *subtitle, MeterixFont::rounded(9.5, QFont::Medium), [] { return LabelColor::secondary(); }, true,
            this)); // a long subtitle wraps rather than widening the panel
    row->addLayout(texts);
    row->addStretch(1);
    row->addWidget(switch_, 0, Qt::AlignVCenter);
    setAccessibleName(title);
    setAccessibleDescription(accessibleValue(isOn));
    // The switch is what the keys reach: it is named as its row is.
    switch_->setObjectName(QStringLiteral("switch"));
    switch_->setAccessibleName(title);
    switch_->setAccessibleDescription(accessibleValue(isOn));
    connect(switch_, &QAbstractButton::toggled, this, [this, onChange = std::move(onChange)](bool on) {
        setAccessibleDescription(accessibleValue(on));
        switch_->setAccessibleDescription(accessibleValue(on));
        if (onChange) onChange(on);
        Q_EMIT toggled(on);
    });
}

bool MenuToggleRow::isOn() const {
    return switch_->isChecked();
}

void MenuToggleRow::setOn(bool on) {
    if (on == isOn()) return;
    const QSignalBlocker quiet(switch_); // not a flip by the user
    switch_->setChecked(on);
    setAccessibleDescription(accessibleValue(on));
    switch_->setAccessibleDescription(accessibleValue(on));
}

QString MenuToggleRow::accessibleValue(bool on) {
    return on ? L10n::on().text() : L10n::off().text();
}

} // namespace meterix
