#include "platform/worker_thread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace platform {

struct WorkerThread::State {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::atomic<bool> cancel{false};
    // The dispatcher of a window thread that is blocked waiting for this worker, registered
    // only for the duration of that block. The worker wakes it when it ends; a worker that ends
    // after the waiter left (an abandoned one) finds nullptr and never touches Qt.
    QAbstractEventDispatcher* waiter = nullptr;
};

namespace {

using State = WorkerThread::State;

void runWork(const std::shared_ptr<State>& state, WorkerThread::Work& work) {
    work(state->cancel);
    // Release what the work holds (request record, memory file) before reporting the end, so
    // that an owner who sees the end never shares them with this thread any more.
    work = nullptr;
    std::lock_guard lock(state->mutex);
    state->done = true;
    if (state->waiter != nullptr)
        state->waiter->wakeUp();
    state->ended.notify_all();
}

bool waitForEnd(State& state, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(state.mutex);
    return state.ended.wait_until(lock, deadline, [&] { return state.done; });
}

// Joins abandoned workers once they end; see finishAbandonedWorkers in the header for why the
// process keeps track of them at all.
class AbandonedWorkers {
  public:
    AbandonedWorkers() = default;
    AbandonedWorkers(const AbandonedWorkers&) = delete;
    AbandonedWorkers& operator=(const AbandonedWorkers&) = delete;

    // At process exit nothing may be left running: a joinable std::thread would terminate the
    // process, a detached one could still be inside libcurl while its globals go away. The
    // cancel flag makes every worker end within about a second.
    ~AbandonedWorkers() {
        for (auto& entry : entries_)
            entry.state->cancel = true;
        for (auto& entry : entries_)
            entry.thread.join();
    }

    void adopt(std::thread thread, std::shared_ptr<State> state) {
        std::lock_guard lock(mutex_);
        joinEnded();
        entries_.push_back({std::move(thread), std::move(state)});
    }

    bool finish(std::chrono::milliseconds limit) {
        std::vector<Entry> pending;
        {
            std::lock_guard lock(mutex_);
            pending.swap(entries_);
        }
        for (auto& entry : pending)
            entry.state->cancel = true;
        auto deadline = std::chrono::steady_clock::now() + limit;
        std::vector<Entry> running;
        for (auto& entry : pending) {
            if (waitForEnd(*entry.state, deadline))
                entry.thread.join();
            else
                running.push_back(std::move(entry));
        }
        bool allEnded = running.empty();
        std::lock_guard lock(mutex_);
        for (auto& entry : running)
            entries_.push_back(std::move(entry));
        return allEnded;
    }

    std::size_t count() {
        std::lock_guard lock(mutex_);
        joinEnded();
        return entries_.size();
    }

  private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<State> state;
    };

    void joinEnded() {
        auto ended = std::partition(entries_.begin(), entries_.end(), [](Entry& entry) {
            std::lock_guard lock(entry.state->mutex);
            return !entry.state->done;
        });
        for (auto it = ended; it != entries_.end(); ++it)
            it->thread.join();
        entries_.erase(ended, entries_.end());
    }

    std::mutex mutex_;
    std::vector<Entry> entries_;
};

AbandonedWorkers& abandonedWorkers() {
    static AbandonedWorkers tracker;
    return tracker;
}

// The dispatcher to block in, when the calling thread is one that serves window events.
QAbstractEventDispatcher* windowDispatcher() {
    if (QCoreApplication::instance() == nullptr)
        return nullptr;
    return QAbstractEventDispatcher::instance();
}

int timerInterval(std::int64_t milliseconds) {
    return static_cast<int>(std::min<std::int64_t>(milliseconds, std::numeric_limits<int>::max()));
}

}  // namespace

std::unique_ptr<WorkerThread> WorkerThread::start(Work work) {
    auto worker = std::make_unique<WorkerThread>(StartKey{});
    worker->state_ = std::make_shared<State>();
    try {
        worker->thread_ = std::thread(
            [state = worker->state_, work = std::move(work)]() mutable { runWork(state, work); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return worker;
}

WorkerThread::~WorkerThread() {
    if (!thread_.joinable())
        return;
    if (finished())
        thread_.join();
    else
        abandon();
}

bool WorkerThread::finished() const {
    std::lock_guard lock(state_->mutex);
    return state_->done;
}

std::uint32_t WorkerThread::wait(std::int64_t limitMilliseconds) {
    if (finished())
        return WAIT_OBJECT_0;
    if (limitMilliseconds <= 0)
        return WAIT_TIMEOUT;
    auto started = std::chrono::steady_clock::now();
    auto limit = std::chrono::milliseconds(limitMilliseconds);
    QAbstractEventDispatcher* dispatcher = windowDispatcher();
    if (dispatcher == nullptr)
        return waitForEnd(*state_, started + limit) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;

    {
        std::lock_guard lock(state_->mutex);
        if (state_->done)
            return WAIT_OBJECT_0;
        state_->waiter = dispatcher;
    }
    // The timer's own event ends the block when nothing else arrives within the limit.
    QTimer limitTimer;
    limitTimer.setSingleShot(true);
    limitTimer.setTimerType(Qt::PreciseTimer);
    limitTimer.start(timerInterval(limitMilliseconds));
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    {
        std::lock_guard lock(state_->mutex);
        state_->waiter = nullptr;
        if (state_->done)
            return WAIT_OBJECT_0;
    }
    return std::chrono::steady_clock::now() - started >= limit ? WAIT_TIMEOUT : WAIT_EVENTS_ARRIVED;
}

void WorkerThread::abandon() {
    if (!thread_.joinable())
        return;
    state_->cancel = true;
    abandonedWorkers().adopt(std::move(thread_), state_);
}

bool finishAbandonedWorkers(std::chrono::milliseconds limit) {
    return abandonedWorkers().finish(limit);
}

std::size_t abandonedWorkerCount() {
    return abandonedWorkers().count();
}

}  // namespace platform
