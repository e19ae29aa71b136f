#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace meterix {

// Where the app runs: the home folder, the XDG folders and the environment
// variables. Readers of other tools' files and the process runner take one, so
// tests can lay out a whole home in a temporary folder with its own variables
// without touching the process environment.
struct HostEnvironment {
    QString home;
    // Other desktop apps' folders ($XDG_CONFIG_HOME or ~/.config).
    QString configHome;
    // Our own data ($XDG_DATA_HOME or ~/.local/share).
    QString dataHome;
    QProcessEnvironment variables;

    // The variable's value when it is set (possibly empty), else nothing.
    std::optional<QString> variable(const QString& name) const;

    // The running process: homeFolder(), configHome(), dataHome() and its environment.
    static HostEnvironment current();
};

} // namespace meterix
