#pragma once

#include <QString>
#include <QStringList>

namespace meterix {

// What the command's arguments ask for. Read before anything else starts, so
// that help and version never need a display or reach a running Meterix.
struct CommandLine {
    enum class Action { run, help, version, error };

    Action action = Action::run;
    // What to print: the help or version on standard output, the error on
    // standard error.
    QString text;
    // The process's exit status for every action but run.
    int exitCode = 0;

    // arguments without the program's name. Any argument besides -h/--help and
    // -v/--version is an error (status 2); else help wins over version.
    static CommandLine parse(const QStringList& arguments, const QString& version);
};

} // namespace meterix
