#include "panels/CardScrollBody.h"

#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace meterix {

namespace {

void makeClear(QWidget* w) {
    w->setAttribute(Qt::WA_TranslucentBackground);
    w->setAutoFillBackground(false);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::transparent);
    p.setColor(QPalette::Base, Qt::transparent);
    w->setPalette(p);
}

class Thumb final : public QWidget {
  public:
    Thumb(CardScrollBody& body) : QWidget(&body), body_(body) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const QRectF r = body_.thumbRect().translated(-pos());
        if (r.isEmpty()) return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(roundedRectPath(r, r.width() / 2), withOpacity(LabelColor::secondary(), 0.55));
    }

  private:
    CardScrollBody& body_;
};

} // namespace

CardScrollBody::CardScrollBody(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    // The keys reach the controls inside, never the area itself.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // the thumb shows where it stands
    setWidgetResizable(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    makeClear(this);
    makeClear(viewport());
    makeClear(content);
    setWidget(content);
    content->installEventFilter(this);
    thumb_ = new Thumb(*this);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CardScrollBody::follow);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &CardScrollBody::follow);
}

int CardScrollBody::heightForWidth(int width) const {
    QWidget* content = widget();
    if (!content) return 0;
    return content->hasHeightForWidth() ? content->heightForWidth(width) : content->sizeHint().height();
}

QSize CardScrollBody::sizeHint() const {
    const QSize content = widget() ? widget()->sizeHint() : QSize();
    return QSize(content.width(), heightForWidth(content.width()));
}

QSize CardScrollBody::minimumSizeHint() const {
    // Shortened to as little as one line of its content: the card keeps its
    // header and its buttons in sight, whatever room it has.
    return QSize(0, int(minimumThumb + 2 * thumbInset));
}

bool CardScrollBody::scrolls() const { return verticalScrollBar()->maximum() > 0; }

QRectF CardScrollBody::thumbRect() const {
    const QScrollBar* bar = verticalScrollBar();
    if (bar->maximum() <= 0) return {};
    const double track = height() - 2 * thumbInset;
    const double total = bar->maximum() + bar->pageStep();
    const double length = std::max(minimumThumb, track * bar->pageStep() / total);
    const double top = thumbInset + (track - length) * bar->value() / bar->maximum();
    return QRectF(width() - thumbInset - thumbWidth, top, thumbWidth, length);
}

void CardScrollBody::follow() {
    thumb_->setGeometry(QRect(int(width() - thumbInset - thumbWidth - 1), 0, int(thumbWidth + 2), height()));
    thumb_->raise();
    thumb_->setVisible(scrolls());
    thumb_->update();
}

void CardScrollBody::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    follow();
}

bool CardScrollBody::eventFilter(QObject* watched, QEvent* event) {
    // New content asks for new room: the card lays itself out again.
    if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

} // namespace meterix
