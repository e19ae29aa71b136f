#pragma once

// One fuzz target per parser of outside input. Each is a function over the raw
// bytes that calls the production entry point and checks what its reading must
// satisfy. The same functions run under libFuzzer (scripts/fuzz, clang) and in
// the corpus replay test (tests/fuzz, the ordinary sanitizer build).

#include "core/UsageSnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace meterix::fuzz {

using TargetFunction = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    TargetFunction function;
};

// Every target linked into the program, in no particular order.
QList<Target>& targets();

struct Registration {
    Registration(const char* name, TargetFunction function) { targets().append(Target{name, function}); }
};

// Defined by the driver: libFuzzer's aborts so the input is kept as a crash;
// the replay test's records a test failure.
void checkFailed(const char* expression, const char* file, int line);

// A folder of this process's own for the files a target writes, empty of
// anything but what the targets put there.
QString workspace();

// The fixed moment every target reads at.
QDateTime fixedNow();

QByteArray bytes(const uint8_t* data, size_t size);

// Writes a file at a path below the workspace (making its folders), after
// emptying the folder `fresh` below the workspace when one is named. The path,
// or nothing when it could not be written.
std::optional<QString> writeFile(const QString& relative, const QByteArray& contents,
                                 const QString& fresh = {});

// What every reading satisfies: percentages within 0...100 and countdowns not
// negative and within the cap (for a reading made now; a stored one is decoded
// as written and only finite), every date valid within the years 1 to 9999, and
// the snapshot written to our store format reads back.
void checkSnapshot(const UsageSnapshot& snapshot, bool madeNow = true);
void checkDate(const QDateTime& date);
void checkPercentage(double value);

} // namespace meterix::fuzz

#define METERIX_FUZZ_CHECK(condition)                                                                        \
    do {                                                                                                     \
        if (!(condition)) ::meterix::fuzz::checkFailed(#condition, __FILE__, __LINE__);                      \
    } while (false)

// Defines target `name`: the body sees `data` and `size`.
#define METERIX_FUZZ_TARGET(name)                                                                            \
    static void fuzzTarget_##name(const uint8_t* data, size_t size);                                         \
    static const ::meterix::fuzz::Registration fuzzRegistration_##name(#name, &fuzzTarget_##name);           \
    static void fuzzTarget_##name([[maybe_unused]] const uint8_t* data, [[maybe_unused]] size_t size)
