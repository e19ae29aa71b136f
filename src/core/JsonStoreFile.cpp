#include "core/JsonStoreFile.h"

#include "core/Json.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"
#include "core/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace meterix {

int StoreFileSystem::open(const char* path, int flags, mode_t mode) const {
    return ::open(path, flags, mode);
}
ssize_t StoreFileSystem::write(int fd, const void* data, size_t size) const {
    return ::write(fd, data, size);
}
int StoreFileSystem::fsync(int fd) const {
    return ::fsync(fd);
}
int StoreFileSystem::close(int fd) const {
    return ::close(fd);
}
int StoreFileSystem::rename(const char* from, const char* to) const {
    return ::rename(from, to);
}
int StoreFileSystem::unlink(const char* path) const {
    return ::unlink(path);
}

const StoreFileSystem& StoreFileSystem::posix() {
    static const StoreFileSystem files;
    return files;
}

namespace {
// Far above any store we write; a larger file is not ours to parse.
constexpr int64_t kStoreReadCap = 64 * 1024 * 1024;
// Links followed before a chain counts as a loop, as the kernel counts.
constexpr int kLinkHops = 40;

// The file a link (or a chain of them) names; the path itself when it is no
// link. Nothing for a loop.
std::optional<QString> linkTarget(const QString& path) {
    QString current = path;
    for (int hop = 0; hop < kLinkHops; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink()) return current;
        current = info.symLinkTarget();
    }
    return std::nullopt;
}
} // namespace

JsonStoreFile::JsonStoreFile(QString path, const StoreFileSystem& files)
    : path_(std::move(path)), files_(files) {}

std::optional<QJsonObject> JsonStoreFile::load() {
    if (!exists(path_)) return std::nullopt;
    const auto bytes = readRegularFile(path_, kStoreReadCap);
    std::optional<QJsonObject> object;
    if (bytes) object = json::parseObject(*bytes);
    if (!object) setAsidePending_ = true;
    return object;
}

void JsonStoreFile::rereadBeforeSettingAside(const std::function<bool(const QJsonObject&)>& take) {
    if (!setAsidePending_) return;
    const auto object = load();
    if (!object || !take(*object)) return;
    setAsidePending_ = false;
    qCInfo(logAccounts, "%s reads again; what it holds is taken back",
           qPrintable(QFileInfo(path_).fileName()));
}

QString JsonStoreFile::setAsidePath(const QString& path, const QDateTime& now) {
    const QString base = path + QStringLiteral(".unreadable-") +
                         now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss")) + QLatin1Char('Z');
    QString candidate = base;
    for (int n = 2; exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

bool JsonStoreFile::write(const QJsonObject& object, const QDateTime& now) {
    const auto failure = replace(object, now);
    report(failure);
    return !failure;
}

std::optional<JsonStoreFile::Failure> JsonStoreFile::replace(const QJsonObject& object,
                                                             const QDateTime& now) {
    if (!makePrivateFolder(QFileInfo(path_).absolutePath())) return Failure{"making its folder", errno};
    if (setAsidePending_) {
        if (exists(path_)) {
            const QByteArray from = QFile::encodeName(path_);
            const QByteArray to = QFile::encodeName(setAsidePath(path_, now));
            if (files_.rename(from.constData(), to.constData()) != 0)
                return Failure{"setting it aside", errno};
        }
        setAsidePending_ = false;
    }
    const auto target = linkTarget(path_);
    if (!target) return Failure{"following its link", ELOOP};
    return replaceWhole(*target, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

// A new file beside the old one, written whole and on the disk before it takes
// the old one's name: until the rename the old file is untouched, and a write
// that stops short (a full disk) leaves nothing behind.
std::optional<JsonStoreFile::Failure> JsonStoreFile::replaceWhole(const QString& target,
                                                                  const QByteArray& bytes) {
    const QFileInfo info(target);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = QFile::encodeName(
            info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') +
            QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".tmp"));
        // Account ids and e-mails live here: owner only, whatever the umask.
        fd = files_.open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && (errno != EEXIST || attempt == 8)) return Failure{"creating its new copy", errno};
    }
    std::optional<Failure> failure;
    for (qsizetype done = 0; done < bytes.size() && !failure;) {
        const ssize_t n = files_.write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            failure = Failure{"writing", n < 0 ? errno : EIO};
    }
    if (!failure && files_.fsync(fd) != 0) failure = Failure{"syncing", errno};
    // A failed close can be the first word of a failed write (network and
    // quota-bound file systems): it counts as one.
    if (files_.close(fd) != 0 && !failure) failure = Failure{"closing", errno};
    if (!failure && files_.rename(temp.constData(), QFile::encodeName(target).constData()) != 0)
        failure = Failure{"renaming its new copy", errno};
    if (failure) files_.unlink(temp.constData());
    return failure;
}

void JsonStoreFile::report(const std::optional<Failure>& failure) {
    const QByteArray name = QFile::encodeName(QFileInfo(path_).fileName());
    if (failure && !failing_)
        qCWarning(logAccounts,
                  "could not write %s (%s: %s); it stays as it was, and what it should hold is kept "
                  "in memory and written at the next chance",
                  name.constData(), failure->step, qPrintable(qt_error_string(failure->error)));
    else if (!failure && failing_)
        qCInfo(logAccounts, "%s is written again", name.constData());
    failing_ = failure.has_value();
}

} // namespace meterix
