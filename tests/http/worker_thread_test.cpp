#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/events.h"
#include "tests/http/core_application_scope.h"

namespace {

using namespace std::chrono_literals;
using platform::WorkerThread;
using Clock = std::chrono::steady_clock;

// A flag the test sets to let a worker end; shared so that an abandoned worker never reaches
// into a finished test's stack.
using Release = std::shared_ptr<std::atomic<bool>>;

Release makeRelease() {
    return std::make_shared<std::atomic<bool>>(false);
}

// Work that ends only when released (or, with `honourCancel`, when cancelled).
WorkerThread::Work blockUntil(Release release, bool honourCancel = false) {
    return [release, honourCancel](const std::atomic<bool>& cancel) {
        while (!*release && !(honourCancel && cancel))
            std::this_thread::sleep_for(2ms);
    };
}

std::chrono::milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST(WorkerThread, StartsAtOnceAndTheWaitReportsItsEnd) {
    auto ran = std::make_shared<std::atomic<bool>>(false);
    auto worker = WorkerThread::start([ran](const std::atomic<bool>&) { *ran = true; });
    ASSERT_NE(worker, nullptr);
    auto start = Clock::now();
    while (!*ran && since(start) < 10s)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(*ran) << "the work did not run before anybody waited";
    EXPECT_EQ(worker->wait(10000), platform::WAIT_OBJECT_0);
    EXPECT_TRUE(worker->finished());
}

TEST(WorkerThread, WithoutAnEventLoopTheWaitEndsAtItsLimit) {
    Release release = makeRelease();
    auto worker = WorkerThread::start(blockUntil(release));
    auto start = Clock::now();
    EXPECT_EQ(worker->wait(300), platform::WAIT_TIMEOUT);
    EXPECT_GE(since(start), 290ms);
    EXPECT_LT(since(start), 5s);
    *release = true;
    EXPECT_EQ(worker->wait(10000), platform::WAIT_OBJECT_0);
}

TEST(WorkerThread, ALimitOfZeroOrLessOnlyLooks) {
    Release release = makeRelease();
    auto running = WorkerThread::start(blockUntil(release));
    auto ended = WorkerThread::start([](const std::atomic<bool>&) {});
    ASSERT_EQ(ended->wait(10000), platform::WAIT_OBJECT_0);
    for (std::int64_t limit : {0, -1, -60000}) {
        auto start = Clock::now();
        EXPECT_EQ(running->wait(limit), platform::WAIT_TIMEOUT) << limit;
        EXPECT_LT(since(start), 1s) << limit;
        EXPECT_EQ(ended->wait(limit), platform::WAIT_OBJECT_0) << limit;
    }
    *release = true;
}

TEST(WorkerThread, AnAbandonedWorkerIsCancelledAndKeepsItsDataUntilItEnds) {
    Release release = makeRelease();
    auto sawCancel = std::make_shared<std::atomic<bool>>(false);
    auto data = std::make_shared<int>(7);
    std::weak_ptr<int> watch = data;
    auto worker = WorkerThread::start(
        [release, sawCancel, data = std::move(data)](const std::atomic<bool>& cancel) {
            while (!cancel)
                std::this_thread::sleep_for(2ms);
            *sawCancel = true;
            while (!*release)
                std::this_thread::sleep_for(2ms);
            EXPECT_EQ(*data, 7);
        });
    worker->abandon();
    worker.reset();
    auto start = Clock::now();
    while (!*sawCancel && since(start) < 10s)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(*sawCancel);
    EXPECT_FALSE(watch.expired()) << "the work's data went away while it still ran";
    EXPECT_GE(platform::abandonedWorkerCount(), 1u);

    *release = true;
    EXPECT_TRUE(platform::finishAbandonedWorkers(10s));
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(platform::abandonedWorkerCount(), 0u);
}

TEST(WorkerThread, DestroyingAnUnfinishedWorkerNeitherBlocksNorEndsTheProcess) {
    Release never = makeRelease();
    auto worker = WorkerThread::start(blockUntil(never, /*honourCancel=*/true));
    auto start = Clock::now();
    worker.reset();
    EXPECT_LT(since(start), 1s);
    EXPECT_TRUE(platform::finishAbandonedWorkers(10s));
}

TEST(WorkerThread, FinishingGivesUpOnAWorkerThatIgnoresItsCancelFlag) {
    Release release = makeRelease();
    WorkerThread::start(blockUntil(release))->abandon();
    EXPECT_FALSE(platform::finishAbandonedWorkers(100ms));
    EXPECT_GE(platform::abandonedWorkerCount(), 1u);
    *release = true;
    EXPECT_TRUE(platform::finishAbandonedWorkers(10s));
}

// On a thread that serves Qt events, as the window thread does. What the application posted to
// itself at its creation is served first, as the program's start-up does.
class WorkerThreadWithEvents : public testing::Test {
  protected:
    void SetUp() override { platform::processPendingEvents(); }
    CoreApplicationScope app_;
};

TEST_F(WorkerThreadWithEvents, AnArrivingEventEndsTheWaitAndIsServed) {
    Release release = makeRelease();
    auto worker = WorkerThread::start(blockUntil(release));
    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    auto start = Clock::now();
    EXPECT_EQ(worker->wait(20000), platform::WAIT_EVENTS_ARRIVED);
    EXPECT_LT(since(start), 5s);
    EXPECT_TRUE(fired);
    *release = true;
    EXPECT_EQ(worker->wait(20000), platform::WAIT_OBJECT_0);
}

TEST_F(WorkerThreadWithEvents, TheWorkersEndWakesAWaitThatHasNoEvents) {
    auto worker =
        WorkerThread::start([](const std::atomic<bool>&) { std::this_thread::sleep_for(200ms); });
    auto start = Clock::now();
    EXPECT_EQ(worker->wait(30000), platform::WAIT_OBJECT_0);
    EXPECT_LT(since(start), 10s);
}

TEST_F(WorkerThreadWithEvents, TheLimitEndsAWaitThatHasNoEvents) {
    Release release = makeRelease();
    auto worker = WorkerThread::start(blockUntil(release));
    auto start = Clock::now();
    EXPECT_EQ(worker->wait(300), platform::WAIT_TIMEOUT);
    EXPECT_GE(since(start), 290ms);
    EXPECT_LT(since(start), 5s);
    *release = true;
}

// A worker abandoned after a wait, ending only once the application (and its event dispatcher)
// is gone, must not reach for the dispatcher that its waiter used.
TEST(WorkerThreadAfterTheApplication, AnAbandonedWorkerEndingLaterTouchesNoQt) {
    Release release = makeRelease();
    {
        CoreApplicationScope app;
        if (!app.owns())
            GTEST_SKIP() << "another test keeps an application alive";
        platform::processPendingEvents();
        auto worker = WorkerThread::start(blockUntil(release));
        EXPECT_EQ(worker->wait(50), platform::WAIT_TIMEOUT);
        worker->abandon();
    }
    *release = true;
    EXPECT_TRUE(platform::finishAbandonedWorkers(10s));
}

}  // namespace
