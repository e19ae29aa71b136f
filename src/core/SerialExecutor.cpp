#include "core/SerialExecutor.h"

#include <future>

namespace meterix {

SerialExecutor::SerialExecutor() {
    worker_ = std::thread([this] { run(); });
    workerId_ = worker_.get_id();
}

SerialExecutor::~SerialExecutor() {
    stop();
}

void SerialExecutor::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            jobs_.push_back(std::move(job));
            wake_.notify_one();
            return;
        }
    }
    job();
}

void SerialExecutor::sync(const std::function<void()>& job) {
    if (isCurrentThread()) {
        job();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    post([&] {
        job();
        done.set_value();
    });
    finished.wait();
}

void SerialExecutor::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_one();
    }
    if (isCurrentThread()) return; // the worker cannot join itself; it ends after this job
    std::lock_guard joinLock(joinMutex_);
    if (worker_.joinable()) worker_.join();
}

bool SerialExecutor::isCurrentThread() const {
    return std::this_thread::get_id() == workerId_;
}

void SerialExecutor::run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return; // stopping and drained
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace meterix
