#include "shell/AppDelegate.h"

#include "core/Settings.h"
#include "platform/ui/SymbolImage.h"
#include "shell/FloatingPanelController.h"

#include <QPainter>
#include <QPainterPath>

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

QImage AppDelegate::sparklesImage(int side, qreal devicePixelRatio) {
    QImage image(QSize(side, side) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    struct Star {
        double cx, cy, size;
    };
    // One large star low on the left, two small ones to its upper right.
    const Star stars[] = {{0.40, 0.58, 0.78}, {0.78, 0.24, 0.40}, {0.82, 0.70, 0.28}};
    QPainterPath all;
    all.setFillRule(Qt::WindingFill);
    for (const Star& s : stars) {
        const double d = s.size * side;
        QPainterPath star = SymbolImage::outline(QStringLiteral("sparkle"), d);
        all.addPath(star.translated(s.cx * side - d / 2, s.cy * side - d / 2));
    }
    p.setPen(QPen(QColor(0, 0, 0, 140), std::max(1.0, side / 24.0)));
    p.setBrush(QColor(245, 245, 245));
    p.drawPath(all);
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
