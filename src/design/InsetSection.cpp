#include "design/InsetSection.h"

#include "design/TextView.h"
#include "design/MeterixFont.h"
#include "design/Radius.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace meterix {

namespace {

// The plate behind the rows.
class SectionPlate final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(roundedRectPath(rect(), Radius::section), Surface::plateFill());
        strokeInside(p, rect(), Radius::section, 0.5, Surface::plateRim());
    }
};

} // namespace

InsetSection::InsetSection(std::optional<QString> title, std::optional<QString> footnote, bool flushRows,
                           const QList<QWidget*>& content, QWidget* parent)
    : QWidget(parent), plate_(new SectionPlate(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(spacing));

    if (title) {
        title_ = new TextView(*title, MeterixFont::sectionHeaderStyle(), [] { return LabelColor::secondary(); }, false, this);
        auto* row = new QVBoxLayout();
        row->setContentsMargins(4, 4, 0, 0);
        title_->setObjectName(QStringLiteral("sectionTitle"));
        row->addWidget(title_, 0, Qt::AlignLeft);
        column->addLayout(row);
    }

    auto* rows = new QVBoxLayout(plate_);
    if (flushRows) rows->setContentsMargins(0, int(flushMarginV), 0, int(flushMarginV));
    else rows->setContentsMargins(int(plateMarginH), int(plateMarginV), int(plateMarginH), int(plateMarginV));
    rows->setSpacing(flushRows ? 0 : int(rowSpacing));
    for (QWidget* w : content) rows->addWidget(w);
    plate_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    column->addWidget(plate_);

    if (footnote) {
        footnote_ = new TextView(*footnote, MeterixFont::rounded(9.5, QFont::Medium), [] { return LabelColor::tertiary(); },
                                 true, this);
        auto* row = new QVBoxLayout();
        row->setContentsMargins(4, 0, 0, 0);
        footnote_->setObjectName(QStringLiteral("footnote"));
        row->addWidget(footnote_);
        column->addLayout(row);
    }
}

} // namespace meterix
