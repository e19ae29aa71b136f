#pragma once

#include <QColor>
#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <optional>

class QDBusVariant;

namespace meterix {

// Light or dark, and whether the desktop asks for reduced animation. Qt 6.4 has
// no colour-scheme query, so the desktop portal's settings are read over the
// session bus (asynchronously, never blocking the GUI thread); without an answer
// the palette's lightness decides, and without a palette the light look. A change
// forgets every registered cache, emits changed() and schedules a repaint of
// every window, since colours are resolved at paint time. GUI thread only.
//
// Whatever keeps something drawn in one look hooks in once: a cache of images
// or glyphs calls registerCache() with its clear function; a widget that keeps
// a resolved colour (rather than asking at paint time) re-resolves it on
// changed(). Windows need nothing: every window of the app is repainted.
class Appearance : public QObject {
    Q_OBJECT

public:
    enum class Scheme { light, dark };

    // watchDesktop: ask the portal on the session bus and follow its changes
    // (the shared instance does).
    explicit Appearance(bool watchDesktop, QObject* parent = nullptr);
    // Asks the portal on this bus and follows its changes.
    explicit Appearance(QDBusConnection bus, QObject* parent = nullptr);

    // The one instance, made by the first call of either: the app makes it
    // watching the desktop before anything is drawn, a test program one that
    // watches nothing; made on first use, watching the desktop, otherwise.
    static Appearance& shared();
    static Appearance& makeShared(bool watchDesktop);

    Scheme scheme() const { return scheme_; }
    bool isDark() const { return scheme_ == Scheme::dark; }
    // True when the desktop turned animations off: endless animations stand still.
    bool reduceMotion() const { return reduceMotion_; }

    // The portal's "color-scheme" (1 prefers dark, 2 prefers light, 0 or absent
    // no preference), else the window colour's lightness, else light.
    static Scheme resolve(std::optional<uint> portalColorScheme, std::optional<QColor> paletteWindow);

    // What the portal said; nothing when it gave no answer. Public so the D-Bus
    // replies and tests go through the same path.
    void applyPortalColorScheme(std::optional<uint> value);
    void applyPortalAnimationsEnabled(std::optional<bool> enabled);

    // Adds a cache that may hold images of the old look: cleared on every change
    // of scheme or motion, before changed() is emitted. Register once, for the
    // life of the process.
    static void registerCache(std::function<void()> clear);

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void onPortalSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    void watchPortal(QDBusConnection bus);
    void readPortalSetting(const QString& nameSpace, const QString& key);
    void recompute();

    std::optional<QDBusConnection> bus_;
    std::optional<uint> portalColorScheme_;
    std::optional<bool> animationsEnabled_;
    Scheme scheme_ = Scheme::light;
    bool reduceMotion_ = false;
};

} // namespace meterix
