#pragma once

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QSettings>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

namespace meterix {

class FloatingPanelController;

// The application's launch: it clears a window-frame setting older versions
// left behind, puts the status item in the system tray and shows the floating
// bar. The status item has no menu: every click (left, right, middle) toggles
// the status panel. Where no tray exists the item waits, unseen, for one to
// appear (Qt docks it then) and the app runs with the bar alone.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate(FloatingPanelController& bar, std::shared_ptr<QSettings> settings, QObject* parent = nullptr);
    ~AppDelegate() override;

    static inline const QString applicationName = QStringLiteral("Meterix");

    void applicationDidFinishLaunching();

    QSystemTrayIcon* statusItem() const { return statusItem_.get(); }
    // What a click on the status item opens or closes; until it is set a click
    // does nothing.
    void setStatusMenuToggle(std::function<void()> toggle) { toggle_ = std::move(toggle); }

    // The status item's image: the app's sparkles tile, white sparkles on a
    // blue rounded square, drawn as the installed icon (resources/meterix.svg)
    // shows it, so it reads on light and dark panels alike.
    static QIcon sparklesIcon();
    static QImage sparklesImage(int side, qreal devicePixelRatio = 1.0);
    // The tile's gradient, top to bottom.
    static QList<QColor> iconColors();

    // Windows can only be placed on X11: under a Wayland session that offers
    // XWayland the app asks for it, unless the user chose a platform. Returns
    // the platform to ask for.
    static std::optional<QByteArray> platformOverride(const QByteArray& qpaPlatform, const QByteArray& waylandDisplay,
                                                      const QByteArray& sessionType, const QByteArray& x11Display);
    // Applies platformOverride() to this process's environment; call before the
    // QApplication is made.
    static void preferX11UnderWayland();

private:
    void setupStatusItem();
    void toggleStatusMenu();
    void statusItemActivated(QSystemTrayIcon::ActivationReason reason);

    FloatingPanelController& bar_;
    std::shared_ptr<QSettings> settings_;
    std::unique_ptr<QSystemTrayIcon> statusItem_;
    std::function<void()> toggle_;
};

} // namespace meterix
