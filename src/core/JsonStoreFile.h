#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <sys/types.h>

#include <functional>
#include <optional>

namespace meterix {

// The file system calls a store's write is made of. The app writes through
// posix(); a test derives from it to make one call fail as a full disk, a
// read-only folder or an interrupted write would.
class StoreFileSystem {
  public:
    virtual ~StoreFileSystem() = default;
    virtual int open(const char* path, int flags, mode_t mode) const;
    virtual ssize_t write(int fd, const void* data, size_t size) const;
    virtual int fsync(int fd) const;
    virtual int close(int fd) const;
    virtual int rename(const char* from, const char* to) const;
    virtual int unlink(const char* path) const;

    static const StoreFileSystem& posix();
};

// Our own small JSON stores (account switches, last good readings): one object
// per file, pretty-printed with sorted keys, replaced atomically and readable by
// the owner only, in an owner-only folder. A file that exists but does not load
// is moved aside before the next write rather than overwritten, so what it held
// can still be recovered. A write that fails leaves the file as it was and says
// so in the log, once until a write succeeds again. Blocking file work: call off
// the GUI thread (the stores do so on their own serial executors).
class JsonStoreFile {
  public:
    explicit JsonStoreFile(QString path, const StoreFileSystem& files = StoreFileSystem::posix());

    const QString& path() const { return path_; }

    // The stored object. Nothing when the file is missing or does not parse as
    // one JSON object; in the latter case the file is marked for setting aside.
    std::optional<QJsonObject> load();

    // Marks the file for setting aside (a caller whose decoding of the object
    // failed).
    void markUnreadable() { setAsidePending_ = true; }

    // A file marked for setting aside is read once more: when it now parses and
    // take accepts the object (the user mended it while we ran), it stays where
    // it is and the next write replaces it as any good file.
    void rereadBeforeSettingAside(const std::function<bool(const QJsonObject&)>& take);

    // Makes the folder, moves an unreadable file aside (once), then replaces the
    // file with the object (a link is followed and stays a link). False when
    // anything failed; the old file is then as it was, and a failed set-aside
    // blocks the write so the old contents are never lost.
    bool write(const QJsonObject& object, const QDateTime& now);

    // Where an unreadable file goes: "<path>.unreadable-<yyyyMMddTHHmmssZ>", with
    // "-2", "-3", ... added when that name is taken.
    static QString setAsidePath(const QString& path, const QDateTime& now);

  private:
    struct Failure {
        const char* step;
        int error;
    };
    std::optional<Failure> replace(const QJsonObject& object, const QDateTime& now);
    std::optional<Failure> replaceWhole(const QString& target, const QByteArray& bytes);
    void report(const std::optional<Failure>& failure);

    QString path_;
    const StoreFileSystem& files_;
    bool setAsidePending_ = false;
    bool failing_ = false; // the last write failed and was logged
};

} // namespace meterix
