#pragma once

#include "core/JsonStreamReader.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace meterix {

// Reads other tools' local files and folders for the account resolvers and
// the adapters. Nothing here writes, throws or reports: every failure (missing,
// unreadable, not a regular file, over the size cap, malformed) gives the empty
// result, so a caller only ever finds fewer accounts.
// All functions block on the file system: call them off the GUI thread. They may
// run on any number of threads at once; only cachedMembers shares state, under a
// lock that is never held while a file is read.
class AccountFileReader {
  public:
    AccountFileReader() = delete;

    // Configuration files of other tools stay far below these; anything larger,
    // or with more values, reads as absent rather than pinning memory (a parsed
    // document costs several times its text). A file
    // read by members has no cap: the same caps bound each member kept.
    static constexpr int64_t kJsonReadCap = JsonStreamReader::Limits{}.memberBytes;
    static constexpr int64_t kJsonValueCap = JsonStreamReader::Limits{}.memberValues;

    // The user's home folder.
    static QString home();

    // The file's top-level JSON object; absent for an array, a parse error, a
    // file over either cap or one that cannot be read safely.
    static std::optional<QJsonObject> json(const QString& path);

    // Only the named top-level members of the file's JSON object, from a file of
    // any size, streamed (see JsonStreamReader): a member over the caps above
    // reads as absent, the others are kept. Absent for what json() refuses,
    // except a file's mere size.
    static std::optional<QJsonObject> members(const QString& path, const QStringList& names);
    // As members(), read again only when the file's modification time or size
    // has changed since the last call for this path and these names. Two callers
    // missing at once share one read rather than reading a large file twice.
    static std::optional<QJsonObject> cachedMembers(const QString& path, const QStringList& names);

    // Something exists at the path and it is a folder (symbolic links followed).
    static bool directoryExists(const QString& path);

    // The names in the folder longer than the prefix and starting with it, with
    // the prefix removed, in listing order (files and folders alike).
    static QStringList directorySuffixes(const QString& folder, const QString& prefix);

    // Sorted names of the sub-folders whose name is a UUID (8-4-4-4-12 hex digits,
    // either case).
    static QStringList uuidDirectoryNames(const QString& folder);

    // Sorted full paths of the folders in `folder` named exactly `prefix` or
    // `prefix` followed by "-", "_" or "." and more (".tool", ".tool-work",
    // ".tool_2", ".tool.old", but not ".toolx").
    static QStringList profileDirectories(const QString& folder, const QString& prefix);

    // profileDirectories of the home folder (or of the given one).
    static QStringList siblingProfileDirectories(const QString& prefix);
    static QStringList siblingProfileDirectories(const QString& prefix, const QString& homeFolder);

    // The textual UUID form: 32 hex digits grouped 8-4-4-4-12 by hyphens.
    static bool isUUID(QStringView text);
};

} // namespace meterix
