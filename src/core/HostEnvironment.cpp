#include "core/HostEnvironment.h"

#include "core/Paths.h"

namespace meterix {

std::optional<QString> HostEnvironment::variable(const QString& name) const {
    if (!variables.contains(name)) return std::nullopt;
    return variables.value(name);
}

HostEnvironment HostEnvironment::current() {
    return HostEnvironment{meterix::homeFolder(), meterix::configHome(), meterix::dataHome(),
                           QProcessEnvironment::systemEnvironment()};
}

} // namespace meterix
