// The libFuzzer driver: exactly one target is linked into each fuzzer program.
#include "FuzzTarget.h"

#include "providers/DefaultProviders.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace meterix::fuzz {

void checkFailed(const char* expression, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed: %s at %s:%d\n", expression, file, line);
    std::abort();
}

} // namespace meterix::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // A home of our own: no target ever reads the user's files.
    const QByteArray home = meterix::fuzz::workspace().toUtf8() + "/home";
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("TZ", "UTC");
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
    meterix::ProviderCatalogue::install(meterix::providerDescriptors());
    static QCoreApplication* app = new QCoreApplication(*argc, *argv);
    (void)app;
    if (meterix::fuzz::targets().size() != 1) {
        std::fprintf(stderr, "a fuzzer program links exactly one target\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    meterix::fuzz::targets().first().function(data, size);
    return 0;
}
