#pragma once

#include "core/SafeFile.h"

#include <QByteArrayView>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace meterix {

// Reads some top-level members of a JSON object from a document of any size.
// The text streams through RapidJSON's SAX reader in chunks: a member that is
// not wanted is checked for well-formedness and dropped as it passes, never
// built, so a 200 MB configuration whose wanted members are small costs a few
// kilobytes of memory. Only kept members become QJsonValues, each under limits.
// No string is held beyond the member byte limit (or the longest wanted name):
// the rest of a longer one is checked and dropped as it streams, so a string of
// gigabytes costs no more than that. A top-level name that long is never kept;
// a number literal that long makes the document unreadable.
//
// The document must be well-formed as a whole (a file cut off half-way while
// its tool rewrites it reads as nothing, exactly as a strict parser would have
// it), nested at most 1024 levels deep like QJsonDocument allows, and valid
// UTF-8. An unpaired UTF-16 escape (a "\ud83d" of an emoji cut in half by the
// tool that wrote it) reads as U+FFFD rather than spoiling the whole file.
//
// Pure and thread-safe; readFile blocks on the file system.
class JsonStreamReader {
  public:
    JsonStreamReader() = delete;

    // How much of a document the parser is handed at a time.
    static constexpr int64_t kChunkBytes = 64 * 1024;

    // What one kept member may cost: its text, and its values (every key,
    // scalar, object and array inside it). A member over either reads as absent;
    // the other members are kept.
    struct Limits {
        int64_t memberBytes = 4 * 1024 * 1024;
        int64_t memberValues = 250000;
    };

    enum class Syntax {
        strict,
        // Also "//" and "/* */" comments and trailing commas, as editors write
        // their settings files.
        lenient,
    };

    struct Options {
        // The top-level members to keep; nothing keeps them all.
        std::optional<QStringList> members;
        Syntax syntax = Syntax::strict;
        Limits limits;
    };

    // The kept members of the document's top-level object; nothing when the
    // document is no object or not well-formed.
    static std::optional<QJsonObject> read(QByteArrayView document, const Options& options);

    // Fills `into` with up to maxBytes of the document: the count given, 0 at
    // the end, -1 on an error.
    using Source = std::function<int64_t(char* into, int64_t maxBytes)>;
    // The same from a document handed over a piece at a time.
    static std::optional<QJsonObject> read(const Source& source, const Options& options);

    struct FileReading {
        // Size and modification time of the file read, as it was opened.
        std::optional<RegularFileInfo> file;
        std::optional<QJsonObject> object;
    };
    // The same from a regular file of any size (see RegularFileStream); nothing
    // for anything else.
    static FileReading readFile(const QString& path, const Options& options);
};

} // namespace meterix
