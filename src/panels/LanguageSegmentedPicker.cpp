#include "panels/LanguageSegmentedPicker.h"

#include "design/BaselineEllipsis.h"
#include "design/MeterixFont.h"
#include "design/PressableButton.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {
constexpr double kTrackRadius = 8;
constexpr double kSegmentRadius = 6;
constexpr double kVerticalPadding = 4;
constexpr double kMinimumScale = 0.8;

QFont segmentFont(bool selected, double scale = 1.0) {
    return MeterixFont::rounded(10.5 * scale, selected ? QFont::Bold : QFont::Medium);
}
} // namespace

// One language's segment: a pressable label that fills its share of the row.
class LanguageSegment final : public PressableButton {
  public:
    LanguageSegment(LanguageSegmentedPicker* picker, AppLanguage language)
        : PressableButton(PressableStyle{0.97, 0.75}, picker), picker_(picker), language_(language) {
        setAttribute(Qt::WA_Hover);
        setCheckable(true);
        setFocusPolicy(Qt::NoFocus);
        // The picker decides the checked state; a click only writes the binding.
        connect(this, &QAbstractButton::clicked, this, [this] {
            setChecked(picker_->selection() == language_);
            picker_->pick(language_);
        });
    }

  protected:
    void enterEvent(QEnterEvent* e) override {
        picker_->setHovered(language_);
        PressableButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        if (picker_->hovered() == language_) picker_->setHovered(std::nullopt);
        PressableButton::leaveEvent(e);
    }
    void paintContent(QPainter& p, const QRectF& rect) override {
        const bool selected = isChecked();
        const QPainterPath plate = roundedRectPath(rect, kSegmentRadius);
        if (selected) {
            p.fillPath(plate, Surface::plateFill());
            strokeInside(p, rect, kSegmentRadius, 0.5, QBrush(Surface::shellRim()));
        } else if (picker_->hovered() == language_) {
            p.fillPath(plate, Surface::hoverWash());
        }
        // Shrinks to fit, down to 80 %, then truncates.
        const QString text = displayName(language_);
        double scale = 1.0;
        const double room = rect.width() - 4;
        while (scale > kMinimumScale &&
               QFontMetricsF(segmentFont(selected, scale)).horizontalAdvance(text) > room)
            scale = std::max(kMinimumScale, scale - 0.02);
        const QFont font = segmentFont(selected, scale);
        p.setFont(font);
        p.setPen(selected ? LabelColor::primary() : LabelColor::secondary());
        drawTextLine(p, rect, Qt::AlignCenter | Qt::TextSingleLine,
                   QFontMetricsF(font).elidedText(text, Qt::ElideRight, room));
    }

  private:
    LanguageSegmentedPicker* picker_;
    AppLanguage language_;
};

LanguageSegmentedPicker::LanguageSegmentedPicker(std::function<AppLanguage()> get,
                                                 std::function<void(AppLanguage)> set, QWidget* parent)
    : QWidget(parent), get_(std::move(get)), set_(std::move(set)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (AppLanguage l : allAppLanguages())
        segments_.append(new LanguageSegment(this, l));
    refresh();
}

QAbstractButton* LanguageSegmentedPicker::segment(AppLanguage language) const {
    return segments_.value(allAppLanguages().indexOf(language));
}

void LanguageSegmentedPicker::refresh() {
    const AppLanguage selected = get_();
    const QList<AppLanguage> languages = allAppLanguages();
    for (int i = 0; i < segments_.size(); ++i) {
        segments_[i]->setChecked(languages[i] == selected);
        segments_[i]->setAccessibleName(displayName(languages[i]));
        segments_[i]->update();
    }
    update();
}

void LanguageSegmentedPicker::pick(AppLanguage language) {
    set_(language);
    refresh();
}

void LanguageSegmentedPicker::setHovered(std::optional<AppLanguage> language) {
    if (hovered_ == language) return;
    hovered_ = language;
    for (PressableButton* s : segments_)
        s->update();
}

QSize LanguageSegmentedPicker::sizeHint() const {
    const QFontMetricsF fm(segmentFont(true));
    double widest = 0;
    for (AppLanguage l : allAppLanguages())
        widest = std::max(widest, fm.horizontalAdvance(displayName(l)) + 12);
    const double h = fm.height() + 2 * kVerticalPadding + 2 * margin;
    return QSize(qCeil(3 * widest + 2 * gap + 2 * margin), qCeil(h));
}

void LanguageSegmentedPicker::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutSegments();
}

void LanguageSegmentedPicker::layoutSegments() {
    const QRectF inner = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    const double w = (inner.width() - gap * (segments_.size() - 1)) / segments_.size();
    for (int i = 0; i < segments_.size(); ++i) {
        const double x = inner.left() + i * (w + gap);
        segments_[i]->setGeometry(QRectF(x, inner.top(), w, inner.height()).toAlignedRect());
    }
}

void LanguageSegmentedPicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundedRectPath(QRectF(rect()), kTrackRadius), Surface::hoverWash());
}

} // namespace meterix
