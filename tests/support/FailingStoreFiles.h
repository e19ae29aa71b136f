#pragma once

#include "core/JsonStoreFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace meterix::test {

// The stores' file system with one call failing as a full disk (ENOSPC while
// writing), a read-only folder (EROFS or EACCES on creating the new copy) or a
// failing device would make it fail; `failing` may change while a store runs
// (space returns). Writes may also be cut short and interrupted, as the kernel
// may do to any write.
class FailingStoreFiles : public StoreFileSystem {
public:
    enum class Step { none, open, write, fsync, close, rename };
    std::atomic<Step> failing{Step::none};
    std::atomic<int> error{ENOSPC};
    size_t chunk = 0;          // most bytes one write takes; 0: all
    bool interrupts = false;   // every other write is interrupted before it begins

    int open(const char* path, int flags, mode_t mode) const override {
        return fails(Step::open) ? -1 : StoreFileSystem::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, size_t size) const override {
        if (fails(Step::write)) return -1;
        if (interrupts && (interrupted_ = !interrupted_)) return errno = EINTR, -1;
        return StoreFileSystem::write(fd, data, chunk ? std::min(chunk, size) : size);
    }
    int fsync(int fd) const override { return fails(Step::fsync) ? -1 : StoreFileSystem::fsync(fd); }
    int close(int fd) const override {
        const int closed = StoreFileSystem::close(fd); // closed either way, as the kernel does
        return fails(Step::close) ? -1 : closed;
    }
    int rename(const char* from, const char* to) const override {
        return fails(Step::rename) ? -1 : StoreFileSystem::rename(from, to);
    }

private:
    bool fails(Step step) const {
        if (failing != step) return false;
        errno = error;
        return true;
    }
    mutable bool interrupted_ = false;
};

} // namespace meterix::test
