#include "panels/MenuBarScreen.h"

namespace meterix {

QString MenuBarScreen::debugName() const {
    switch (kind_) {
    case Kind::providerDetail:
        return QStringLiteral("providerDetail(%1)").arg(provider_ ? rawValue(*provider_) : QString());
    case Kind::overview:
        return QStringLiteral("overview");
    case Kind::settings:
        return QStringLiteral("settings");
    case Kind::about:
        return QStringLiteral("about");
    }
    return QString();
}

} // namespace meterix
