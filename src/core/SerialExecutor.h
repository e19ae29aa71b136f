#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace meterix {

// One worker thread that runs posted jobs in order. The destructor (and stop())
// runs what is still queued, then joins, so short-lived owners lose no writes.
class SerialExecutor {
  public:
    SerialExecutor();
    ~SerialExecutor();
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    // Queues a job; after stop() the job runs on the caller's thread instead,
    // so nothing posted is ever lost.
    void post(std::function<void()> job);

    // Runs job on the worker and waits for it. Called from the worker itself it
    // runs inline (a nested sync would otherwise wait for itself forever).
    void sync(const std::function<void()>& job);

    // Drains the queue and joins the worker. Idempotent.
    void stop();

    bool isCurrentThread() const;

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::mutex joinMutex_;
    std::thread worker_;
    std::thread::id workerId_;
};

} // namespace meterix
