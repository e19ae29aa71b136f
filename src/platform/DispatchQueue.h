#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <mutex>

class QObject;
class QThread;

namespace meterix {

// A serial queue with a Qt event loop of its own: jobs run one after another on
// one thread, and timers and socket notifiers made there (children of
// context()) fire on it. Unlike SerialExecutor it can host event-driven work.
// Needs a QCoreApplication: Qt runs no event loop off the main thread without one.
class DispatchQueue {
  public:
    enum class Priority { normal, utility };

    explicit DispatchQueue(const QString& label, Priority priority = Priority::normal);
    // Runs what is already queued, then joins the thread.
    ~DispatchQueue();
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    // Queues a job; false (and the job dropped) once the queue has stopped.
    bool post(std::function<void()> job);
    // Runs job on the queue and waits for it; inline when called on the queue
    // itself. False, without running it, once the queue has stopped.
    bool sync(const std::function<void()>& job);

    // Runs what is queued, ends the loop and joins. Objects parented to
    // context() are destroyed on the queue's own thread. Idempotent; must not
    // be called from the queue itself.
    void stop();

    bool isCurrentThread() const;
    const QString& label() const { return label_; }
    // The parent for timers and notifiers that must live on the queue; only
    // touch it from jobs running on the queue.
    QObject* context() const;
    QThread* thread() const;

  private:
    class Thread;

    QString label_;
    mutable std::mutex mutex_;
    std::unique_ptr<Thread> thread_;
    bool stopped_ = false;
};

} // namespace meterix
