#include "panels/MenuBarAboutScreen.h"

#include "core/L10n.h"
#include "core/Localization.h"
#include "design/IconTile.h"
#include "design/InsetSection.h"
#include "design/MeterixFont.h"
#include "design/RowSeparator.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/MakerShowcase.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuScreenHeader.h"
#include "panels/MeterixBuild.h"
#include "panels/ProductRow.h"
#include "panels/SymbolLabel.h"
#include "platform/ui/Appearance.h"
#include "platform/ui/SymbolImage.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QtMath>

namespace meterix {

namespace {

const AdaptiveColor kLabAccent{Rgb{0.753, 0.373, 0.094}, Rgb{0.898, 0.514, 0.290}};

QFont serifFont() {
    return MeterixFont::serif(14.5, QFont::DemiBold);
}

TextView* text(const QString& s, const QFont& f, std::function<QColor()> c, bool wraps, QWidget* parent) {
    return new TextView(s, f, std::move(c), wraps, parent);
}

// A painted square: the lab's flask in white on the lab's colour.
class LabMark final : public QWidget {
  public:
    LabMark(std::function<QColor()> fill, QWidget* parent) : QWidget(parent), fill_(std::move(fill)) {
        setFixedSize(26, 26);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(roundedRectPath(QRectF(rect()), 7), fill_());
        SymbolImage::paint(p, QRectF(rect()).center(), 12, QStringLiteral("flask"), Qt::white,
                           SymbolWeight::semibold);
    }

  private:
    std::function<QColor()> fill_;
};

// A small figure with its label (or a label alone) on a washed plate.
class StatChip final : public QWidget {
  public:
    StatChip(std::optional<QString> value, QString label, QWidget* parent)
        : QWidget(parent), value_(std::move(value)), label_(std::move(label)) {
        setAccessibleName(value_ ? *value_ + QLatin1Char(' ') + label_ : label_);
        setFixedSize(sizeHint());
    }
    QString shown() const { return value_ ? *value_ + QLatin1Char(' ') + label_ : label_; }
    QSize sizeHint() const override {
        const double w = (value_ ? QFontMetricsF(valueFont()).horizontalAdvance(*value_) + 4 : 0) +
                         QFontMetricsF(labelFont()).horizontalAdvance(label_) + 14;
        const double h =
            std::max(QFontMetricsF(valueFont()).height(), QFontMetricsF(labelFont()).height()) + 6;
        return QSize(qCeil(w), qCeil(h));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(roundedRectPath(QRectF(rect()), 6), Surface::hoverWash());
        const QFontMetricsF vfm(valueFont()), lfm(labelFont());
        // Both on one baseline.
        const double baseline = height() / 2.0 + std::max(vfm.ascent(), lfm.ascent()) / 2 - 1;
        double x = 7;
        if (value_) {
            p.setFont(valueFont());
            p.setPen(LabelColor::primary());
            p.drawText(QPointF(x, baseline), *value_);
            x += vfm.horizontalAdvance(*value_) + 4;
        }
        p.setFont(labelFont());
        p.setPen(LabelColor::secondary());
        p.drawText(QPointF(x, baseline), label_);
    }

  private:
    static QFont valueFont() { return MeterixFont::rounded(11, QFont::Bold); }
    static QFont labelFont() { return MeterixFont::rounded(9.5, QFont::Medium); }
    std::optional<QString> value_;
    QString label_;
};

} // namespace

QColor MenuBarAboutScreen::labAccent() const {
    return kLabAccent.resolve(context_.appearance->scheme());
}

MenuBarAboutScreen::MenuBarAboutScreen(MenuScreenContext context, QWidget* parent)
    : MenuSubScreen(std::move(context), spacing, parent) {
    build();
    connect(context_.localization, &Localization::preferenceChanged, this, [this] { rebuild(); });
}

void MenuBarAboutScreen::build() {
    QVBoxLayout* column = beginContent(L10n::about().text());
    content_ = content();
    column->addWidget(identityBlock());
    column->addWidget(appSection());
    column->addWidget(makerSection());
    column->addWidget(productsSection());
    endContent(column);
}

QWidget* MenuBarAboutScreen::identityBlock() {
    auto* box = new QWidget(content_);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 2, 0, 0);
    column->setSpacing(7);
    const QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        column->addWidget(new IconTile(QStringLiteral("sparkles"),
                                       {QColor(0x0A, 0x84, 0xFF), QColor(0x00, 0x50, 0xC7)}, 52, box),
                          0, Qt::AlignHCenter);
    } else {
        auto* image = new QLabel(box);
        image->setPixmap(icon.pixmap(QSize(52, 52), box->devicePixelRatioF()));
        image->setFixedSize(52, 52);
        image->setScaledContents(true);
        column->addWidget(image, 0, Qt::AlignHCenter);
    }
    auto* name = new QHBoxLayout();
    name->setSpacing(6);
    name->addStretch(1);
    name->addWidget(text(
                        QStringLiteral("Meterix"), MeterixFont::title(), [] { return LabelColor::primary(); },
                        false, box),
                    0, Qt::AlignBaseline);
    name->addWidget(text(
                        MeterixBuild::version(), MeterixFont::caption(),
                        [] { return LabelColor::secondary(); }, false, box),
                    0, Qt::AlignBottom);
    name->addStretch(1);
    column->addLayout(name);
    // Its colour is looked up when drawn, so it follows a change of look.
    TextView* tagline = text(
        L10n::meterixTagline().text(), MeterixFont::rounded(11, QFont::Medium),
        [] { return LabelColor::secondary(); }, true, box);
    tagline->setObjectName(QStringLiteral("tagline"));
    tagline->setLineAlignment(Qt::AlignHCenter);
    column->addWidget(tagline);
    box->setAccessibleName(QStringLiteral("Meterix ") + MeterixBuild::version());
    return box;
}

QWidget* MenuBarAboutScreen::appSection() {
    // The app has no public source page to lead to: the section holds its licence.
    auto* licence = new QWidget();
    auto* line = new QHBoxLayout(licence);
    line->setContentsMargins(9, 6, 9, 6);
    line->setSpacing(9);
    auto* seal =
        new SymbolLabel(SymbolLabel::Look{QStringLiteral("checkmark.seal"), 11.5, SymbolWeight::semibold,
                                          MeterixFont::caption(),
                                          [] { return withOpacity(LabelColor::primary(), 0.75); }, 0, false},
                        QString(), licence);
    seal->setFixedWidth(15);
    line->addWidget(seal, 0, Qt::AlignVCenter);
    line->addWidget(text(
                        L10n::license().text(), MeterixFont::rounded(11.5, QFont::Medium),
                        [] { return LabelColor::primary(); }, false, licence),
                    0, Qt::AlignVCenter);
    line->addStretch(1);
    line->addWidget(text(
                        QStringLiteral("MIT"), MeterixFont::rounded(10.5, QFont::DemiBold),
                        [] { return LabelColor::secondary(); }, false, licence),
                    0, Qt::AlignVCenter);
    licence->setAccessibleName(L10n::license().text() + QStringLiteral(", MIT"));
    return new InsetSection(std::nullopt, std::nullopt, true, {licence}, content_);
}

QWidget* MenuBarAboutScreen::makerSection() {
    auto* box = new QWidget();
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* head = new QHBoxLayout();
    head->setSpacing(9);
    head->addWidget(new LabMark([this] { return labAccent(); }, box), 0, Qt::AlignVCenter);
    auto* names = new QVBoxLayout();
    names->setSpacing(1);
    names->addWidget(text(
        L10n::makerName().text(), MeterixFont::rounded(12, QFont::Bold), [] { return LabelColor::primary(); },
        false, box));
    head->addLayout(names);
    head->addStretch(1);
    column->addLayout(head);

    column->addSpacing(11);
    column->addWidget(text(
        L10n::makerTagline().text(), serifFont(), [this] { return labAccent(); }, true, box));
    column->addSpacing(5);
    column->addWidget(text(
        L10n::makerBio().text(), MeterixFont::rounded(10.5, QFont::Medium),
        [] { return LabelColor::secondary(); }, true, box));
    column->addSpacing(10);
    auto* chips = new QHBoxLayout();
    chips->setSpacing(5);
    const QList<StatChip*> stats{
        new StatChip(MakerShowcase::twoDigits(int(MakerShowcase::products().size())),
                     L10n::makerStatProducts().text(), box),
        new StatChip(MakerShowcase::twoDigits(MakerShowcase::liveCount()), L10n::makerStatLive().text(), box),
        new StatChip(std::nullopt, L10n::makerLocation().text(), box)};
    for (StatChip* chip : stats) {
        chip->setObjectName(QStringLiteral("statChip"));
        chips->addWidget(chip);
    }
    chips->addStretch(1);
    column->addLayout(chips);
    // The lab has no site of its own to lead to.
    return new InsetSection(L10n::theMaker().text(), std::nullopt, false, {box}, content_);
}

QWidget* MenuBarAboutScreen::productsSection() {
    QList<QWidget*> rows;
    for (const MakerProduct& product : MakerShowcase::products()) {
        if (!rows.isEmpty()) rows.append(new RowSeparator(33));
        auto* row = new ProductRow(product);
        row->setObjectName(QStringLiteral("productRow"));
        rows.append(row);
    }
    return new InsetSection(L10n::otherProducts().text(), std::nullopt, true, rows, content_);
}

} // namespace meterix
