#include "panels/ProviderToggleRow.h"

#include "core/L10n.h"
#include "design/IconTile.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/SwitchToggleStyle.h"
#include "panels/TextCapsuleBadge.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

const QColor kGreen(48, 209, 88);

// The tile, repainted in the row's current colours.
class ToggleTile final : public QWidget {
  public:
    ToggleTile(const ProviderToggleRow* row, QWidget* parent) : QWidget(parent), row_(row) {
        setAttribute(Qt::WA_TranslucentBackground);
        const int side = qCeil(ProviderToggleRow::tileSize) + 2 * IconTile::shadowMargin();
        setFixedSize(side, side);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const double s = ProviderToggleRow::tileSize;
        IconTile::paint(p, QRectF((width() - s) / 2, (height() - s) / 2, s, s),
                        sfSymbol(row_->state().provider), toQColors(row_->state().tileColors()));
    }

  private:
    const ProviderToggleRow* row_;
};

} // namespace

ProviderToggleRow::ProviderToggleRow(Localization& localization, SettingsModel::ProviderToggle state, std::function<void()> onToggle,
                                     QWidget* parent)
    : QWidget(parent), state_(state), tile_(new ToggleTile(this, this)),
      name_(new TextView(
          displayName(state.provider), MeterixFont::rounded(11.5, QFont::Medium),
          [this] { return state_.on ? LabelColor::primary() : LabelColor::secondary(); }, false, this)),
      detected_(new TextCapsuleBadge(
          localization, [] {
              return TextCapsuleBadge::plain(L10n::detected().text(), MeterixFont::rounded(8.5, QFont::Bold),
                                             kGreen, withOpacity(kGreen, 0.15), 4.5, 1.5);
          },
          this)),
      switch_(new SwitchToggleStyle(state.on, this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(spacing));
    row->addWidget(tile_, 0, Qt::AlignVCenter);
    row->addWidget(name_, 0, Qt::AlignVCenter);
    detected_->setObjectName(QStringLiteral("detected"));
    row->addWidget(detected_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addSpacing(6);
    switch_->setObjectName(QStringLiteral("switch"));
    row->addWidget(switch_, 0, Qt::AlignVCenter);
    // Whatever the switch reports, the manager's list decides what is on.
    connect(switch_, &QAbstractButton::toggled, this, [onToggle = std::move(onToggle)] {
        if (onToggle) onToggle();
    });
    apply();
}

void ProviderToggleRow::setState(const SettingsModel::ProviderToggle& state) {
    state_ = state;
    apply();
}

void ProviderToggleRow::apply() {
    if (switch_->isChecked() != state_.on) {
        const QSignalBlocker quiet(switch_);
        switch_->setChecked(state_.on);
    }
    switch_->setEnabled(!state_.locked);
    switch_->setToolTip(state_.tooltip());
    setToolTip(state_.tooltip());
    detected_->setVisible(state_.detected);
    setAccessibleName(displayName(state_.provider));
    setAccessibleDescription(state_.accessibleValue());
    // The switch is what the keys reach: it is named as its row is.
    switch_->setAccessibleName(accessibleName());
    switch_->setAccessibleDescription(accessibleDescription());
    tile_->update();
    name_->update();
}

} // namespace meterix
