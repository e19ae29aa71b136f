#include "core/SafeFile.h"

#include "core/FileDescriptor.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix {

namespace {

int openForReading(const QString& path) {
    const QByteArray native = path.toLocal8Bit();
    if (native.isEmpty()) return -1;
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The file at path opened for reading, with its status in st, when it is a
// regular file; else no descriptor. Never blocks on a FIFO or a device.
Fd openRegularFile(const QString& path, struct stat& st) {
    Fd fd(openForReading(path));
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return Fd();
    return fd;
}

std::optional<QByteArray> readAll(int fd, int64_t offset, int64_t length) {
    QByteArray data;
    data.resize(static_cast<qsizetype>(length));
    int64_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, data.data() + done, static_cast<size_t>(length - done), offset + done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break; // the file shrank while we read
        done += n;
    }
    data.resize(static_cast<qsizetype>(done));
    return data;
}

RegularFileInfo infoOf(const struct stat& st) {
    RegularFileInfo info;
    info.size = st.st_size;
    info.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return info;
}

} // namespace

std::optional<QByteArray> readRegularFile(const QString& path, int64_t cap) {
    struct stat st {};
    const Fd fd = openRegularFile(path, st);
    if (!fd) return std::nullopt;
    if (st.st_size > cap || st.st_size < 0) return std::nullopt;
    return readAll(fd.get(), 0, st.st_size);
}

std::optional<RegularFileInfo> regularFileInfo(const QString& path) {
    struct stat st {};
    const QByteArray native = path.toLocal8Bit();
    if (native.isEmpty() || ::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return infoOf(st);
}

std::optional<RegularFileStream> RegularFileStream::open(const QString& path) {
    struct stat st {};
    Fd fd = openRegularFile(path, st);
    if (!fd) return std::nullopt;
    return RegularFileStream(fd.release(), infoOf(st));
}

RegularFileStream::RegularFileStream(RegularFileStream&& other) noexcept
    : fd_(other.fd_), info_(other.info_) {
    other.fd_ = -1;
}

RegularFileStream::~RegularFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t RegularFileStream::read(char* into, int64_t maxBytes) {
    for (;;) {
        const ssize_t n = ::read(fd_, into, static_cast<size_t>(std::max<int64_t>(maxBytes, 0)));
        if (n >= 0) return n;
        if (errno != EINTR) return -1;
    }
}

std::optional<QByteArray> readRegularFileRange(const QString& path, int64_t offset, int64_t maxBytes) {
    struct stat st {};
    const Fd fd = openRegularFile(path, st);
    if (!fd) return std::nullopt;
    if (offset < 0) offset = 0;
    if (offset > st.st_size) offset = st.st_size;
    const int64_t length = std::min<int64_t>(std::max<int64_t>(maxBytes, 0), st.st_size - offset);
    return readAll(fd.get(), offset, length);
}

std::optional<RegularFileTail> readRegularFileTail(const QString& path, int64_t maxBytes) {
    struct stat st {};
    const Fd fd = openRegularFile(path, st);
    if (!fd) return std::nullopt;
    const int64_t offset = std::max<int64_t>(st.st_size - std::max<int64_t>(maxBytes, 0), 0);
    std::optional<QByteArray> bytes = readAll(fd.get(), offset, st.st_size - offset);
    if (!bytes) return std::nullopt;
    return RegularFileTail{std::move(*bytes), offset};
}

std::optional<QByteArray> readRegularFileHead(const QString& path, int64_t maxBytes) {
    struct stat st {};
    const Fd fd = openRegularFile(path, st);
    if (!fd) return std::nullopt;
    QByteArray data;
    char buffer[4096];
    while (data.size() < maxBytes) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(sizeof buffer, maxBytes - data.size()));
        const ssize_t n = ::read(fd.get(), buffer, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buffer, n);
    }
    return data;
}

bool isDirectory(const QString& path) {
    struct stat st {};
    const QByteArray native = path.toLocal8Bit();
    return !native.isEmpty() && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const QString& path) {
    struct stat st {};
    const QByteArray native = path.toLocal8Bit();
    return !native.isEmpty() && ::stat(native.constData(), &st) == 0;
}

Fd openFolderNoFollow(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0')) return Fd();
    return Fd(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

} // namespace meterix
