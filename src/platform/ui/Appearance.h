#pragma once

#include <QColor>
#include <QObject>

#include <optional>

class QDBusPendingCallWatcher;
class QDBusVariant;

namespace meterix {

// Light or dark, and whether the desktop asks for reduced animation. Qt 6.4 has
// no colour-scheme query, so the desktop portal's settings are read over the
// session bus (asynchronously, never blocking the GUI thread); without an answer
// the palette's lightness decides, and without a palette the light look. A change
// emits changed() and schedules a repaint of every widget, since colours are
// resolved at paint time. GUI thread only.
class Appearance : public QObject {
    Q_OBJECT

public:
    enum class Scheme { light, dark };

    // watchDesktop: ask the portal and follow its changes (the shared instance does).
    explicit Appearance(bool watchDesktop, QObject* parent = nullptr);

    // The one instance; created on first use, watching the desktop.
    static Appearance& shared();

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

    // Test seams: force a scheme or the reduced-motion flag (nothing: follow the
    // desktop again).
    void setSchemeOverrideForTesting(std::optional<Scheme> scheme);
    void setReduceMotionOverrideForTesting(std::optional<bool> reduce);

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void onPortalSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    void watchPortal();
    void readPortalSetting(const QString& nameSpace, const QString& key);
    void recompute();

    std::optional<uint> portalColorScheme_;
    std::optional<bool> animationsEnabled_;
    std::optional<Scheme> override_;
    std::optional<bool> reduceMotionOverride_;
    Scheme scheme_ = Scheme::light;
    bool reduceMotion_ = false;
};

} // namespace meterix
