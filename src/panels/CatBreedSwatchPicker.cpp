#include "panels/CatBreedSwatchPicker.h"

#include "design/CatColorPalette.h"
#include "design/AccentColor.h"
#include "design/ShadowCache.h"
#include "design/SpringAnimator.h"
#include "design/Surface.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace meterix {

namespace {
// Room around each swatch for its grown size and its shadow.
constexpr double kBleed = 4;
} // namespace

class CatSwatch final : public QAbstractButton {
  public:
    CatSwatch(CatBreedSwatchPicker* picker, PixelCatBreed breed)
        : QAbstractButton(picker), picker_(picker), breed_(breed), scale_(JellySprings::hover, 1.0) {
        setAttribute(Qt::WA_Hover);
        setCheckable(true);
        setFocusPolicy(Qt::NoFocus);
        const int side = qCeil(CatBreedSwatchPicker::outerSize + 2 * kBleed);
        setFixedSize(side, side);
        // Named by its stored name, the same in both languages.
        setAccessibleName(rawValue(breed));
        connect(&scale_, &SpringAnimator::valueChanged, this, [this] { update(); });
        connect(this, &QAbstractButton::clicked, this, [this] {
            setChecked(picker_->selection() == breed_);
            picker_->pick(breed_);
        });
    }

    double scale() const { return scale_.value(); }
    void settle() { scale_.setTarget(targetScale(), isVisible()); }

  protected:
    void enterEvent(QEnterEvent* e) override {
        picker_->setHovered(breed_);
        QAbstractButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        if (picker_->hovered() == breed_) picker_->setHovered(std::nullopt);
        QAbstractButton::leaveEvent(e);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c = QRectF(rect()).center();
        p.translate(c);
        p.scale(scale(), scale());
        p.translate(-c);
        const bool selected = isChecked();
        const double outer = CatBreedSwatchPicker::outerSize;
        const QRectF ring(c.x() - outer / 2, c.y() - outer / 2, outer, outer);

        const QColor accent = accentColor();
        const QColor shadow = selected ? withOpacity(accent, 0.35) : QColor::fromRgbF(0, 0, 0, 0.18f);
        const double radius = selected ? 4 : 1.5;
        const ShadowCache::Shadow s =
            ShadowCache::roundedRect(ring.size(), outer / 2, radius, shadow, devicePixelRatioF());
        p.drawPixmap(ring.topLeft() - QPointF(s.padding, s.padding - 1), s.pixmap);

        const CatColorPalette pal = meterix::palette(breed_);
        const double d = CatBreedSwatchPicker::swatchSize;
        const QRectF disc(c.x() - d / 2, c.y() - d / 2, d, d);
        QPainterPath clip;
        clip.addEllipse(disc);
        p.save();
        p.setClipPath(clip);
        QLinearGradient fill(disc.topLeft(), disc.bottomRight());
        fill.setColorAt(0, pal.body);
        fill.setColorAt(1, pal.dark);
        p.fillPath(clip, fill);
        p.setPen(Qt::NoPen);
        p.setBrush(pal.white);
        p.drawEllipse(QPointF(disc.center().x(), disc.bottom() - 6 + 3.5), 6, 6);
        p.setBrush(pal.eye);
        p.drawEllipse(QPointF(disc.right() - 2.25 - 2.5, disc.top() + 2.25 + 3), 2.25, 2.25);
        p.restore();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Surface::shellRim(), 0.5));
        p.drawEllipse(disc.adjusted(0.25, 0.25, -0.25, -0.25));
        if (selected) {
            p.setPen(QPen(accent, 1.8));
            p.drawEllipse(ring.adjusted(0.9, 0.9, -0.9, -0.9));
        }
    }

  private:
    double targetScale() const {
        return picker_->hovered() == breed_ && picker_->selection() != breed_
                   ? CatBreedSwatchPicker::hoverScale
                   : 1.0;
    }

    CatBreedSwatchPicker* picker_;
    PixelCatBreed breed_;
    SpringAnimator scale_;
};

CatBreedSwatchPicker::CatBreedSwatchPicker(std::function<PixelCatBreed()> get,
                                           std::function<void(PixelCatBreed)> set, QWidget* parent)
    : QWidget(parent), get_(std::move(get)), set_(std::move(set)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    // The swatches' bleeds overlap the gaps between them.
    row->setSpacing(int(spacing - 2 * kBleed));
    for (PixelCatBreed b : allPixelCatBreeds()) {
        auto* s = new CatSwatch(this, b);
        swatches_.append(s);
        row->addWidget(s);
    }
    row->addStretch(1);
    refresh();
}

void CatBreedSwatchPicker::refresh() {
    const PixelCatBreed selected = get_();
    const QList<PixelCatBreed> breeds = allPixelCatBreeds();
    for (int i = 0; i < swatches_.size(); ++i) {
        swatches_[i]->setChecked(breeds[i] == selected);
        swatches_[i]->settle();
        swatches_[i]->update();
    }
}

void CatBreedSwatchPicker::pick(PixelCatBreed breed) {
    set_(breed);
    refresh();
}

void CatBreedSwatchPicker::setHovered(std::optional<PixelCatBreed> breed) {
    if (hovered_ == breed) return;
    hovered_ = breed;
    for (CatSwatch* s : swatches_)
        s->settle();
}

QSize CatBreedSwatchPicker::sizeHint() const {
    const int n = int(swatches_.size());
    return QSize(qCeil(n * outerSize + (n - 1) * spacing + 2 * kBleed), qCeil(outerSize + 2 * kBleed));
}

} // namespace meterix
