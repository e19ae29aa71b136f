#include "core/EnvironmentLookup.h"

#include <QtGlobal>

namespace meterix {

EnvironmentLookup processEnvironment() {
    return [](const QString& name) -> std::optional<QString> {
        const QByteArray native = name.toLocal8Bit();
        // Qt guards its own environment reads and writes with one lock.
        if (!qEnvironmentVariableIsSet(native.constData())) return std::nullopt;
        return qEnvironmentVariable(native.constData());
    };
}

} // namespace meterix
