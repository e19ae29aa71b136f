#include "platform/DispatchQueue.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

namespace meterix {
namespace {

TEST(DispatchQueue, RunsJobsInOrderOnItsOwnThread) {
    DispatchQueue queue(QStringLiteral("test.queue"));
    QList<int> order;
    std::atomic<int> offThread{0};
    for (int i = 0; i < 100; ++i)
        queue.post([&, i] {
            if (queue.isCurrentThread() && QThread::currentThread() != QCoreApplication::instance()->thread())
                ++offThread;
            order.append(i);
        });
    queue.sync([] {});
    ASSERT_EQ(order.size(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_EQ(offThread.load(), 100);
    EXPECT_EQ(queue.thread()->objectName(), QStringLiteral("test.queue"));
    // A sync from the queue itself runs inline instead of waiting for itself.
    bool inner = false;
    ASSERT_TRUE(queue.sync([&] { queue.sync([&] { inner = true; }); }));
    EXPECT_TRUE(inner);
}

TEST(DispatchQueue, StopRunsWhatIsQueuedThenRefusesNewWork) {
    auto queue = std::make_unique<DispatchQueue>(QStringLiteral("test.queue"));
    std::atomic<int> ran{0};
    for (int i = 0; i < 50; ++i)
        queue->post([&] { ++ran; });
    queue->stop();
    EXPECT_EQ(ran.load(), 50);
    EXPECT_FALSE(queue->post([&] { ++ran; }));
    bool syncRan = false;
    EXPECT_FALSE(queue->sync([&] { syncRan = true; }));
    EXPECT_FALSE(syncRan);
    queue->stop(); // idempotent
    queue.reset();
    EXPECT_EQ(ran.load(), 50);
}

TEST(DispatchQueue, ManyThreadsSyncAtOnce) {
    DispatchQueue queue(QStringLiteral("test.queue"));
    int counter = 0; // only ever touched on the queue
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i)
                queue.sync([&] { ++counter; });
        });
    for (std::thread& t : threads)
        t.join();
    int seen = 0;
    queue.sync([&] { seen = counter; });
    EXPECT_EQ(seen, 800);
}

} // namespace
} // namespace meterix
