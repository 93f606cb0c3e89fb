#include "platform/network_library.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/worker_thread.h"

namespace {

using namespace std::chrono_literals;

// Releasing libcurl under a worker that is still inside it would crash the exit: the stop must
// cancel abandoned workers and wait until they have ended.
TEST(NetworkLibrary, StopCancelsAbandonedWorkersAndWaitsForThemToEnd) {
    ASSERT_EQ(platform::startNetworkLibrary(), 0);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto worker = platform::WorkerThread::start([ended](const std::atomic<bool>& cancel) {
        while (!cancel)
            std::this_thread::sleep_for(2ms);
        // Winding down takes a while after the cancel, as leaving a transfer does.
        std::this_thread::sleep_for(300ms);
        *ended = true;
    });
    ASSERT_NE(worker, nullptr);
    worker->abandon();

    platform::stopNetworkLibrary();

    EXPECT_TRUE(*ended);
    EXPECT_EQ(platform::abandonedWorkerCount(), 0u);
}

}  // namespace
