#pragma once

#include "core/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace meterix {

// Files of other tools are read through here: opened non-blocking, regular files
// only, under a size cap. A FIFO, a device, a folder, a missing file or one larger
// than the cap all read as absent, so a scan never hangs or balloons.
inline constexpr int64_t kDefaultReadCap = 16 * 1024 * 1024;

std::optional<QByteArray> readRegularFile(const QString& path, int64_t cap = kDefaultReadCap);

// Size and modification time of a regular file (nothing for anything else).
struct RegularFileInfo {
    int64_t size = 0;
    int64_t modifiedNs = 0; // nanoseconds since the epoch
    bool operator==(const RegularFileInfo&) const = default;
};
std::optional<RegularFileInfo> regularFileInfo(const QString& path);

// Reads at most maxBytes starting at offset (clamped to the file) of a regular file.
std::optional<QByteArray> readRegularFileRange(const QString& path, int64_t offset, int64_t maxBytes);

// The last maxBytes (or fewer) of a regular file and where they begin, with one
// open and one read.
struct RegularFileTail {
    QByteArray bytes;
    int64_t offset = 0;
};
std::optional<RegularFileTail> readRegularFileTail(const QString& path, int64_t maxBytes);

// Reads at most maxBytes from the start of a regular file by reading until end of
// file, without trusting the size the file reports (files under /proc report 0).
std::optional<QByteArray> readRegularFileHead(const QString& path, int64_t maxBytes);

// A regular file of another tool read in pieces, for files too large to read
// whole (opened as readRegularFile opens them; no size cap).
class RegularFileStream {
  public:
    // Nothing for a missing file or anything but a regular file.
    static std::optional<RegularFileStream> open(const QString& path);
    RegularFileStream(RegularFileStream&& other) noexcept;
    RegularFileStream& operator=(RegularFileStream&&) = delete;
    RegularFileStream(const RegularFileStream&) = delete;
    RegularFileStream& operator=(const RegularFileStream&) = delete;
    ~RegularFileStream();

    // Size and modification time when it was opened.
    const RegularFileInfo& info() const { return info_; }
    // Up to maxBytes from where the last read ended: 0 at the end, -1 on an error.
    int64_t read(char* into, int64_t maxBytes);

  private:
    RegularFileStream(int fd, RegularFileInfo info) : fd_(fd), info_(info) {}
    int fd_;
    RegularFileInfo info_;
};

bool isDirectory(const QString& path);
bool exists(const QString& path);

// A folder open read-only by a descriptor that followed no symbolic link in its
// place, for the *at() calls and fstat(): nothing for a link, anything but a
// folder, or a path that names none (empty, or with a NUL in it).
Fd openFolderNoFollow(const QString& path);

} // namespace meterix
