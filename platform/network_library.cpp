#include "platform/network_library.h"

#include <curl/curl.h>

#include <chrono>

#include "platform/worker_thread.h"

namespace platform {
namespace {

// A cancelled worker leaves libcurl within about a second (its transfer watch checks the flag
// at every progress call); the rest is slack for a busy machine.
constexpr std::chrono::milliseconds kWorkerStopLimit{5000};

}  // namespace

int startNetworkLibrary() {
    return static_cast<int>(curl_global_init(CURL_GLOBAL_DEFAULT));
}

void stopNetworkLibrary() {
    if (finishAbandonedWorkers(kWorkerStopLimit))
        curl_global_cleanup();
}

}  // namespace platform
