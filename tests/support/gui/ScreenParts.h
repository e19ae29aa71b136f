#pragma once

#include "core/AIProviderType.h"
#include "design/CapsuleBadge.h"
#include "panels/MenuSubScreen.h"

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QWidget>

namespace meterix::test {

// The parts of a screen by their object names, as a user finds them by what
// they show. A sub-screen's parts are sought in its current content only: the
// content it replaced may wait a turn of the event loop to go.
inline const QObject& partsOf(const QWidget& screen) {
    if (const auto* sub = qobject_cast<const MenuSubScreen*>(&screen); sub && sub->content()) return *sub->content();
    return screen;
}

template <class T = QWidget>
T* part(const QWidget& screen, const QString& name) {
    return partsOf(screen).findChild<T*>(name);
}

template <class T>
QList<T*> parts(const QWidget& screen, const QString& name) {
    return partsOf(screen).findChildren<T*>(name);
}

inline QString providerRowName(AIProviderType provider) { return QStringLiteral("providerRow:") + rawValue(provider); }

template <class T = QWidget>
T* providerRow(const QWidget& screen, AIProviderType provider) {
    return part<T>(screen, providerRowName(provider));
}

// The working or app-open badge a provider's row shows or is growing in; one
// shrinking away is no longer the row's.
inline CapsuleBadge* rowBadge(const QWidget& screen, AIProviderType provider) {
    QWidget* row = providerRow(screen, provider);
    return row ? row->findChild<CapsuleBadge*>(QStringLiteral("rowBadge")) : nullptr;
}

// The providers a screen shows a row for, in the order it built them.
inline QList<AIProviderType> shownProviders(const QWidget& screen) {
    QList<AIProviderType> shown;
    const QRegularExpression named(QStringLiteral("^providerRow:"));
    for (const QWidget* row : partsOf(screen).findChildren<QWidget*>(named))
        for (AIProviderType p : allProviderTypes())
            if (row->objectName() == providerRowName(p)) shown.append(p);
    return shown;
}

} // namespace meterix::test
