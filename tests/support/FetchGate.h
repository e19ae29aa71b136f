#pragma once

#include <condition_variable>
#include <mutex>

namespace meterix::test {

// Holds a fake adapter's fetches on their pool threads until released, so a
// refresh stays under way for as long as a test needs it to.
class FetchGate {
  public:
    void hold() {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        released_.notify_all();
    }
    // Returns at once while open; otherwise when released.
    void passThrough() {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return !held_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
};

} // namespace meterix::test
