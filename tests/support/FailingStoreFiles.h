#pragma once

#include "core/JsonStoreFile.h"

#include <atomic>
#include <cerrno>

namespace meterix::test {

// The stores' file system with one call failing as a full disk (ENOSPC while
// writing), a read-only folder (EROFS on creating the new copy) or a failing
// device would make it fail; `failing` may change while a store runs (space
// returns). It counts the new copies put in place: the writes that reached
// the disk.
class FailingStoreFiles : public StoreFileSystem {
  public:
    enum class Step { none, open, write, fsync, close, rename };
    std::atomic<Step> failing{Step::none};
    std::atomic<int> error{ENOSPC};
    mutable std::atomic<int> replaced{0};

    int open(const char* path, int flags, mode_t mode) const override {
        return fails(Step::open) ? -1 : StoreFileSystem::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, size_t size) const override {
        return fails(Step::write) ? -1 : StoreFileSystem::write(fd, data, size);
    }
    int fsync(int fd) const override { return fails(Step::fsync) ? -1 : StoreFileSystem::fsync(fd); }
    int close(int fd) const override {
        const int closed = StoreFileSystem::close(fd); // closed either way, as the kernel does
        return fails(Step::close) ? -1 : closed;
    }
    int rename(const char* from, const char* to) const override {
        if (fails(Step::rename)) return -1;
        const int renamed = StoreFileSystem::rename(from, to);
        if (renamed == 0) ++replaced;
        return renamed;
    }

  private:
    bool fails(Step step) const {
        if (failing != step) return false;
        errno = error;
        return true;
    }
};

} // namespace meterix::test
