#pragma once

#include <mutex>
#include <type_traits>
#include <utility>

namespace meterix {

// A value shared between threads, guarded by its own (non-recursive) mutex.
// Read-modify-write goes through withValue so it happens in one critical section.
template <class T> class Locked {
  public:
    Locked() = default;
    explicit Locked(T value) : storage_(std::move(value)) {}
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    T get() const {
        std::lock_guard lock(mutex_);
        return storage_;
    }

    void set(T value) {
        std::lock_guard lock(mutex_);
        storage_ = std::move(value);
    }

    // body must not touch this box again: the lock is not recursive.
    template <class F> auto withValue(F&& body) -> std::invoke_result_t<F, T&> {
        std::lock_guard lock(mutex_);
        return std::forward<F>(body)(storage_);
    }

  private:
    mutable std::mutex mutex_;
    T storage_{};
};

} // namespace meterix
