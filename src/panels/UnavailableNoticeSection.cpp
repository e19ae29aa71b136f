#include "panels/UnavailableNoticeSection.h"

#include "design/InsetSection.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/SymbolLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace meterix {

namespace {

const QColor kFaultOrange(255, 159, 10);

// A text that wraps onto as many lines as its width needs, inside nested layouts
// too (a fixed height would hold it to one line there).
TextView* wrappingText(const QString& text, const QFont& font, std::function<QColor()> color, QWidget* parent) {
    auto* view = new TextView(text, font, std::move(color), true, parent);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    view->setSizePolicy(policy);
    return view;
}

} // namespace

QWidget* unavailableNoticeSection(const UsageUnavailableNotice& n, QWidget* parent) {
    auto* row = new QWidget();
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 4, 0, 4);
    h->setSpacing(10);
    const bool fault = n.isFault;
    h->addWidget(new SymbolLabel(SymbolLabel::Look{fault ? QStringLiteral("exclamationmark.triangle.fill")
                                                         : QStringLiteral("info.circle.fill"),
                                                   15, SymbolWeight::semibold, MeterixFont::caption(),
                                                   [fault] { return fault ? kFaultOrange : LabelColor::secondary(); },
                                                   0, false},
                                 QString(), row),
                 0, Qt::AlignVCenter);
    auto* v = new QVBoxLayout();
    v->setSpacing(2);
    v->addWidget(
        wrappingText(n.title, MeterixFont::rounded(11, QFont::DemiBold), [] { return LabelColor::primary(); }, row));
    v->addWidget(wrappingText(n.detail, MeterixFont::rounded(9.5, QFont::Medium),
                              [] { return LabelColor::secondary(); }, row));
    h->addLayout(v, 1);
    return new InsetSection(n.header, std::nullopt, false, {row}, parent);
}

} // namespace meterix
