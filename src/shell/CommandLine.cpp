#include "shell/CommandLine.h"

namespace meterix {

namespace {

const char* const kUsage =
    "Usage: meterix [--help | --version]\n"
    "\n"
    "An always-on-top bar that shows how much quota is left in your AI coding\n"
    "tools and AI API accounts. It takes no arguments: started while it already\n"
    "runs, it opens or closes the running one's panel and ends.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -v, --version  print the version and exit\n";

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments, const QString& version) {
    bool help = false;
    bool showVersion = false;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            help = true;
        } else if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
            showVersion = true;
        } else {
            return {Action::error,
                    QStringLiteral("meterix: unknown argument '%1'\nTry 'meterix --help'.\n").arg(argument), 2};
        }
    }
    if (help) return {Action::help, QString::fromUtf8(kUsage), 0};
    if (showVersion) return {Action::version, QStringLiteral("meterix %1\n").arg(version), 0};
    return {};
}

} // namespace meterix
