#pragma once

#include <QDBusConnection>
#include <QString>

class QObject;

namespace meterix {

// Subscribes receiver's slot (a SLOT() string) to a signal on a bus. QtDBus
// refuses silently when a slot's argument type is unknown to the meta-type
// system by name, so every argument type must be registered
// (qRegisterMetaType) before this is called; a refusal logs one warning that
// names the signal. Without a connected bus there is nothing to refuse: false,
// no warning.
bool subscribeToDBusSignal(QDBusConnection& bus, const QString& service, const QString& path,
                           const QString& interface, const QString& name, QObject* receiver,
                           const char* slot);

} // namespace meterix
