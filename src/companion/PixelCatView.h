#pragma once

#include "companion/CatAnimatedValue.h"
#include "companion/CatBarLink.h"
#include "companion/CatGesture.h"
#include "companion/PixelCatEngine.h"
#include "core/PixelCatBreed.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

namespace meterix {

class Localization;
class MeterixPreferences;
class PixelCatLoops;

// The cat perched on the bar's capsule: paints what its engine publishes (the
// frame in the user's coat, position, facing, hop, sleep bubble, heart, a soft
// ground shadow), turns the pointer into engine events (bar hover, cat hover
// with the open hand, tap, lift, carry, drop), keeps the walking range in step
// with the bar's width, and runs the engine while it is shown and its window is
// exposed. The widget spans the capsule's width; its cat band (24 high) sits
// headroom below its top, lifted 20 above the capsule. It lets the pointer
// through: a bare sibling over the band above the capsule takes it, keeps the
// presses on the cat's 32 x 26 frame and passes the others on to the bar, so
// the capsule stays the bar's. Each frame tick repaints the cat's own
// rectangle only, and a tick that changes nothing drawn repaints nothing; a
// tick's changes are drawn and told once it is done, without another round of
// the event loop.
class PixelCatView : public QWidget, public CatBarLink {
    Q_OBJECT

  public:
    struct Hooks {
        std::function<void(bool)> setCatDragging; // the bar leaves its drags to the cat
        std::function<void(bool)> setHoveringCat; // the bar leaves presses to the cat
    };

    static constexpr double bandHeight = 24;
    static constexpr double headroom = 20; // above the band: hop, heart, bubble
    static constexpr double footroom = 6;  // below the band: the shadow
    static constexpr double liftAboveCapsule = 20;
    static constexpr double frameWidth = 32;
    static constexpr double frameHeight = 26;

    // Shows the cat engine runs, and is the bar it sits on; its texts follow
    // the language it is handed.
    PixelCatView(std::unique_ptr<PixelCatEngine> engine, MeterixPreferences& preferences,
                 Localization& localization, Hooks hooks, QWidget* parent = nullptr, CatMotion motion = {});
    ~PixelCatView() override;

    // Places the widget over a capsule given in the parent's coordinates.
    void placeOver(const QRectF& capsule);
    // The layer width: the widget's width, at least 80.
    double layerWidth() const;
    bool isBarHovered() const { return barHovered_; }
    // The cat's 32 x 26 frame in widget coordinates, as drawn now.
    QRectF catFrameRect() const;
    // What the view draws now (cat, shadow, bubble, heart), in widget coordinates.
    QRegion paintedRegion() const { return painted_; }

    std::optional<QPointF> landingPoint(double positionX) const override;
    void setCatDragging(bool dragging) override;

  public Q_SLOTS:
    void setBarHovered(bool hovered);

  Q_SIGNALS:
    // The parts drawn on changed (widget coordinates), for windows cut to them;
    // told once the change that moved them is done.
    void paintedRegionChanged(const QRegion& region);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onEngineChange(PixelCatEngine::Property property, CatAnimation how);
    void applyBounds();
    void setHoveringCat(bool hovering);
    void applyTexts();
    void watchWindow();
    std::array<CatAnimatedValue*, 7> animatedValues();
    void refresh();
    void refreshNow(bool atOnce);
    void tellPaintedRegion();
    void finishTick();
    bool handlePointer(QEvent* event);
    QPointF spriteTopLeft() const;
    // The sprite's horizontal scale as drawn: -1 mirrored, 1 as the frame is,
    // in between while the cat turns. The head leads the way it faces.
    double spriteScale() const;
    // 1 when the head (the way the cat faces) is on the right, -1 on the left.
    double headward() const { return engine_->isFacingLeft() ? -1 : 1; }
    QRect shadowRect() const;
    QRect hitAreaRect() const;
    bool isOnCat(QPointF hitAreaPoint) const;
    void updateHover(QPointF hitAreaPoint);
    QRectF bubbleRect() const;
    QRectF heartRect() const;
    // The cells drawn now, the shadow on the capsule aside.
    QRegion computeCellRegion() const;
    QRegion silhouette(bool mirrored) const;
    void paintSprite(QPainter& p);
    void paintShadow(QPainter& p);

    // Everything a paint depends on beyond the painted cells: a change that
    // leaves all of it as it was draws nothing new.
    struct Look {
        CatSprite frame = CatSprite::walk1;
        QPointF sprite;
        double facing = 1;
        double zOpacity = 0;
        QRectF bubble;
        double heartOpacity = 0;
        QRectF heart;
        bool held = false;
        QSize size; // what is drawn is cut to the widget
        bool operator==(const Look&) const = default;
    };
    Look currentLook() const;

    MeterixPreferences& preferences_;
    Hooks hooks_;
    std::unique_ptr<PixelCatEngine> engine_;
    std::unique_ptr<PixelCatLoops> loops_;
    CatGesture gesture_;
    // Every step of a value repaints and reshapes the bar's window: a turn or
    // a hop of pixel art needs thirty a second, not the display's sixty.
    CatAnimationClock animationClock_;
    CatAnimatedValue x_;
    CatAnimatedValue facing_; // 1 facing right, -1 facing left
    CatAnimatedValue jump_{animationClock_};
    CatAnimatedValue zOpacity_{animationClock_};
    CatAnimatedValue zOffset_{animationClock_};
    CatAnimatedValue heartOpacity_{animationClock_};
    CatAnimatedValue heartOffset_{animationClock_};
    bool barHovered_ = false;
    bool hoveringCat_ = false;
    bool boundsApplied_ = false;
    QPointer<QWindow> watchedWindow_;
    QPointer<QWidget> hitArea_;
    double layerWidth_ = 180;
    QRegion painted_;
    QRect paintedCellBounds_;
    QRect paintedShadow_;
    bool dispatching_ = false;
    bool regionPending_ = false;
    bool tickPending_ = false; // the loops' tick in progress changed something
    mutable QHash<quint64, QRegion> silhouettes_;
    static constexpr qsizetype kSilhouettesKept = 64; // a walk and a sit in both directions
    Look paintedLook_;
    bool looked_ = false;
    // The coat, kept from its change notice: paints would read the settings.
    PixelCatBreed breed_;
};

} // namespace meterix
