#include "platform/DispatchQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <condition_variable>

namespace meterix {

// The context object lives on the thread's stack, so it and every timer or
// notifier parented to it are destroyed on the queue's own thread.
class DispatchQueue::Thread final : public QThread {
  public:
    explicit Thread(std::mutex& mutex) : mutex_(mutex) {}

    QObject* context = nullptr; // guarded by mutex_

    void waitUntilReady() { ready_.acquire(); }

  protected:
    void run() override {
        QObject ctx;
        {
            std::lock_guard lock(mutex_);
            context = &ctx;
        }
        ready_.release();
        exec();
        std::lock_guard lock(mutex_);
        context = nullptr;
    }

  private:
    std::mutex& mutex_;
    QSemaphore ready_;
};

DispatchQueue::DispatchQueue(const QString& label, Priority priority)
    : label_(label), thread_(std::make_unique<Thread>(mutex_)) {
    Q_ASSERT_X(QCoreApplication::instance(), "DispatchQueue", "needs a QCoreApplication");
    thread_->setObjectName(label);
    thread_->start(priority == Priority::utility ? QThread::LowPriority : QThread::InheritPriority);
    thread_->waitUntilReady();
}

DispatchQueue::~DispatchQueue() {
    stop();
}

bool DispatchQueue::post(std::function<void()> job) {
    std::lock_guard lock(mutex_);
    if (stopped_ || !thread_->context) return false;
    QMetaObject::invokeMethod(thread_->context, std::move(job), Qt::QueuedConnection);
    return true;
}

bool DispatchQueue::sync(const std::function<void()>& job) {
    if (isCurrentThread()) {
        job();
        return true;
    }
    struct Completion {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool ran = false;
    };
    auto completion = std::make_shared<Completion>();
    // The token's deleter runs when the posted job is destroyed, whether it ran
    // or was dropped with the queue, so the wait below always ends.
    std::shared_ptr<void> token(nullptr, [completion](void*) {
        std::lock_guard lock(completion->mutex);
        completion->finished = true;
        completion->done.notify_all();
    });
    const bool posted = post([&job, token, completion] {
        job();
        std::lock_guard lock(completion->mutex);
        completion->ran = true;
    });
    token.reset();
    if (!posted) return false;
    std::unique_lock lock(completion->mutex);
    completion->done.wait(lock, [&] { return completion->finished; });
    return completion->ran;
}

void DispatchQueue::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        if (thread_->context) {
            // Queued behind every job already posted, so those still run.
            QThread* thread = thread_.get();
            QMetaObject::invokeMethod(
                thread_->context, [thread] { thread->quit(); }, Qt::QueuedConnection);
        }
        stopped_ = true;
    }
    thread_->wait();
}

bool DispatchQueue::isCurrentThread() const {
    return QThread::currentThread() == thread_.get();
}

QObject* DispatchQueue::context() const {
    std::lock_guard lock(mutex_);
    return thread_->context;
}

QThread* DispatchQueue::thread() const {
    return thread_.get();
}

} // namespace meterix
