#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace meterix {

// Our own small JSON stores (account switches, last good readings): one object
// per file, pretty-printed with sorted keys, replaced atomically and readable by
// the owner only. A file that exists but does not load is moved aside before the
// next write rather than overwritten, so what it held can still be recovered.
// Blocking file work: call off the GUI thread (the stores do so on their own
// serial executors).
class JsonStoreFile {
public:
    explicit JsonStoreFile(QString path);

    const QString& path() const { return path_; }

    // The stored object. Nothing when the file is missing or does not parse as
    // one JSON object; in the latter case the file is marked for setting aside.
    std::optional<QJsonObject> load();

    // Marks the file for setting aside (a caller whose decoding of the object
    // failed).
    void markUnreadable() { setAsidePending_ = true; }
    bool isSetAsidePending() const { return setAsidePending_; }

    // Makes the folder, moves an unreadable file aside (once), then replaces the
    // file with the object. False when anything failed; a failed set-aside
    // blocks the write so the old contents are never lost.
    bool write(const QJsonObject& object, const QDateTime& now);

    // Where an unreadable file goes: "<path>.unreadable-<yyyyMMddTHHmmssZ>", with
    // "-2", "-3", ... added when that name is taken.
    static QString setAsidePath(const QString& path, const QDateTime& now);

private:
    QString path_;
    bool setAsidePending_ = false;
};

} // namespace meterix
