#include "platform/ui/Appearance.h"

#include "platform/DBusSignal.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

#include <utility>

namespace meterix {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kColorSchemeKey = QStringLiteral("color-scheme");
const QString kInterfaceNamespace = QStringLiteral("org.gnome.desktop.interface");
const QString kAnimationsKey = QStringLiteral("enable-animations");

// The portal wraps its values in one or two variants depending on its version.
QVariant unwrapped(QVariant v) {
    for (int depth = 0; depth < 4 && v.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth)
        v = v.value<QDBusVariant>().variant();
    return v;
}

std::optional<uint> colorSchemeFrom(const QVariant& raw) {
    const QVariant v = unwrapped(raw);
    bool ok = false;
    const uint value = v.toUInt(&ok);
    if (!ok || value > 2) return std::nullopt;
    return value;
}

std::optional<bool> boolFrom(const QVariant& raw) {
    const QVariant v = unwrapped(raw);
    if (v.metaType() != QMetaType::fromType<bool>()) return std::nullopt;
    return v.toBool();
}

QList<std::function<void()>>& registeredCaches() {
    static auto* caches = new QList<std::function<void()>>;
    return *caches;
}

} // namespace

Appearance::Appearance(bool watchDesktop, QObject* parent) : QObject(parent) {
    if (qApp) qApp->installEventFilter(this);
    recompute();
    if (watchDesktop) watchPortal(QDBusConnection::sessionBus());
}

Appearance::Appearance(QDBusConnection bus, QObject* parent) : Appearance(false, parent) {
    watchPortal(std::move(bus));
}

void Appearance::registerCache(std::function<void()> clear) {
    if (clear) registeredCaches().append(std::move(clear));
}

Appearance& Appearance::makeShared(bool watchDesktop) {
    // Never destroyed: widgets may ask for colours while the application winds down.
    static Appearance* instance = new Appearance(watchDesktop);
    return *instance;
}

Appearance& Appearance::shared() { return makeShared(true); }

Appearance::Scheme Appearance::resolve(std::optional<uint> portalColorScheme, std::optional<QColor> paletteWindow) {
    if (portalColorScheme == 1u) return Scheme::dark;
    if (portalColorScheme == 2u) return Scheme::light;
    if (paletteWindow && paletteWindow->isValid()) return paletteWindow->lightness() < 128 ? Scheme::dark : Scheme::light;
    return Scheme::light;
}

void Appearance::applyPortalColorScheme(std::optional<uint> value) {
    portalColorScheme_ = value;
    recompute();
}

void Appearance::applyPortalAnimationsEnabled(std::optional<bool> enabled) {
    animationsEnabled_ = enabled;
    recompute();
}

bool Appearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) recompute();
    return QObject::eventFilter(watched, event);
}

void Appearance::recompute() {
    std::optional<QColor> window;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        window = QGuiApplication::palette().color(QPalette::Window);
    const Scheme scheme = resolve(portalColorScheme_, window);
    const bool reduce = animationsEnabled_ == false;
    if (scheme == scheme_ && reduce == reduceMotion_) return;
    scheme_ = scheme;
    reduceMotion_ = reduce;
    for (const auto& clear : std::as_const(registeredCaches()))
        clear();
    Q_EMIT changed();
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        const QList<QWidget*> widgets = QApplication::allWidgets();
        for (QWidget* w : widgets) w->update();
    }
}

void Appearance::watchPortal(QDBusConnection bus) {
    if (!bus.isConnected()) return;
    bus_ = bus;
    // The slot's argument types are looked up by name: unregistered, the
    // subscription is refused.
    qRegisterMetaType<QDBusVariant>();
    subscribeToDBusSignal(bus, kPortalService, kPortalPath, kSettingsInterface,
                          QStringLiteral("SettingChanged"), this,
                          SLOT(onPortalSettingChanged(QString, QString, QDBusVariant)));
    readPortalSetting(kAppearanceNamespace, kColorSchemeKey);
    readPortalSetting(kInterfaceNamespace, kAnimationsKey);
}

void Appearance::readPortalSetting(const QString& nameSpace, const QString& key) {
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("Read"));
    call << nameSpace << key;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return; // no portal, no key
        const QVariant value = reply.arguments().constFirst();
        if (key == kColorSchemeKey) applyPortalColorScheme(colorSchemeFrom(value));
        else applyPortalAnimationsEnabled(boolFrom(value));
    });
}

void Appearance::onPortalSettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value) {
    if (nameSpace == kAppearanceNamespace && key == kColorSchemeKey)
        applyPortalColorScheme(colorSchemeFrom(value.variant()));
    else if (nameSpace == kInterfaceNamespace && key == kAnimationsKey)
        applyPortalAnimationsEnabled(boolFrom(value.variant()));
}

} // namespace meterix
