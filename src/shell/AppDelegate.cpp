#include "shell/AppDelegate.h"

#include "core/Settings.h"
#include "design/IconTile.h"
#include "shell/FloatingPanelController.h"

#include <QPainter>

#include <cstdlib>

namespace meterix {

AppDelegate::AppDelegate(FloatingPanelController& bar, std::shared_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), bar_(bar), settings_(std::move(settings)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    if (settings_) removeStaleSettingsWindowFrame(*settings_);
    setupStatusItem();
    bar_.show();
}

void AppDelegate::setupStatusItem() {
    statusItem_ = std::make_unique<QSystemTrayIcon>(sparklesIcon());
    statusItem_->setToolTip(applicationName);
    connect(statusItem_.get(), &QSystemTrayIcon::activated, this, &AppDelegate::statusItemActivated);
    statusItem_->show();
}

void AppDelegate::statusItemActivated(QSystemTrayIcon::ActivationReason reason) {
    // An XEmbed tray reports a double click as a click followed by a double
    // click; answering both would open and at once close the panel.
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Unknown) return;
    toggleStatusMenu();
}

void AppDelegate::toggleStatusMenu() {
    if (toggle_) toggle_();
}

QList<QColor> AppDelegate::iconColors() { return {QColor(0x0A, 0x84, 0xFF), QColor(0x00, 0x50, 0xC7)}; }

QImage AppDelegate::sparklesImage(int side, qreal devicePixelRatio) {
    QImage image(QSize(side, side) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    // The installed icon's tile spans 120 of its 128 units, centred.
    const double inset = side * 4.0 / 128;
    IconTile::paint(p, QRectF(inset, inset, side - 2 * inset, side - 2 * inset), QStringLiteral("sparkles"),
                    iconColors());
    return image;
}

QIcon AppDelegate::sparklesIcon() {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(sparklesImage(side)));
    return icon;
}

std::optional<QByteArray> AppDelegate::platformOverride(const QByteArray& qpaPlatform,
                                                        const QByteArray& waylandDisplay,
                                                        const QByteArray& sessionType,
                                                        const QByteArray& x11Display) {
    if (!qpaPlatform.isEmpty()) return std::nullopt; // the user's choice stands
    if (waylandDisplay.isEmpty() && sessionType != "wayland") return std::nullopt;
    if (x11Display.isEmpty()) return std::nullopt; // no XWayland to go to
    return QByteArray("xcb");
}

void AppDelegate::preferX11UnderWayland() {
    if (const auto platform = platformOverride(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"),
                                               qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY")))
        ::setenv("QT_QPA_PLATFORM", platform->constData(), 1);
}

} // namespace meterix
