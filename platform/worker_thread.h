// A worker thread that the window thread can wait for while it keeps serving window events,
// and that can be abandoned when the wait runs out of time.
//
// The wait mirrors MsgWaitForMultipleObjects on one thread handle with QS_ALLEVENTS: it
// returns when the thread has ended, when window events arrived, or when its limit passed.
// Dispatching the remaining pending events between waits is the caller's step
// (platform/events.h).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace platform {

inline constexpr std::uint32_t WAIT_OBJECT_0 = 0;
// Window events arrived (WAIT_OBJECT_0 + the number of handles waited for).
inline constexpr std::uint32_t WAIT_EVENTS_ARRIVED = 1;
inline constexpr std::uint32_t WAIT_TIMEOUT = 258;

class WorkerThread {
  public:
    // The work gets a flag that abandon() sets; long blocking calls inside should watch it.
    using Work = std::function<void(const std::atomic<bool>& cancel)>;

    // Starts the thread at once. nullptr when the system cannot create a thread.
    static std::unique_ptr<WorkerThread> start(Work work);

    // A thread that has not ended by now is abandoned.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Waits until the thread has ended (WAIT_OBJECT_0), window events arrived
    // (WAIT_EVENTS_ARRIVED) or `limitMilliseconds` passed (WAIT_TIMEOUT); a limit of 0 or less
    // only looks. Window events count only on a thread that runs a Qt event dispatcher while a
    // QCoreApplication exists; elsewhere the wait is a plain wait for the thread's end. Events
    // that arrive are dispatched during the wait, so handlers may run nested inside it.
    std::uint32_t wait(std::int64_t limitMilliseconds);

    bool finished() const;

    // Gives the thread up: its cancel flag is set and the thread handed to the process-wide
    // tracker, which joins it once it ends. Whatever the work still holds (shared_ptr captures)
    // stays alive until then; nothing of it reaches the caller any more.
    void abandon();

    struct State;
    // Only start() can make one.
    class StartKey {
        explicit StartKey() = default;
        friend class WorkerThread;
    };
    explicit WorkerThread(StartKey) {}

  private:
    std::shared_ptr<State> state_;
    std::thread thread_;
};

// The process-wide tracker of abandoned workers. It exists so that the end of the program can
// wait for them: a worker that is still inside libcurl or still touching its memory while the
// process tears down its globals (curl_global_cleanup, static destructors) would crash the exit.
//
// Sets every abandoned worker's cancel flag, waits up to `limit` for all of them to end and
// joins those that did. True when none is left running.
bool finishAbandonedWorkers(std::chrono::milliseconds limit);
// Abandoned workers that have not been joined yet (for tests and diagnostics).
std::size_t abandonedWorkerCount();

}  // namespace platform
