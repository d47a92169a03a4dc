// The scan timer on POSIX: a thread that waits on a condition variable with the period as its
// timeout, ticks when the wait runs out, and starts a full new period when woken by a re-arm.
#include "platform/timer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vetrel::platform {

using Clock = std::chrono::steady_clock;

struct Timer::Impl
{
    explicit Impl(std::uint32_t periodMs, Tick onTick) : tick(std::move(onTick)), period(periodMs)
    {}

    // Stops and joins; a thread that never started leaves nothing to stop.
    ~Impl();

    void run();

    const Tick tick;
    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by mutex.
    std::uint32_t period;
    bool rearm = false;
    bool stopping = false;
    std::thread thread;
};

Timer::Impl::~Impl()
{
    if (!thread.joinable()) return;
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_one();
    thread.join();
}

void Timer::Impl::run()
{
    std::unique_lock lock(mutex);
    auto due = Clock::now() + std::chrono::milliseconds(period);
    for (;;) {
        wake.wait_until(lock, due, [this] { return stopping || rearm; });
        if (stopping) return;
        if (rearm) {
            rearm = false;
            due = Clock::now() + std::chrono::milliseconds(period);
            continue;
        }
        lock.unlock();
        tick();
        lock.lock();
        // A tick that overran its period is followed by one more at once, not by a burst of
        // the missed ones, as a window timer behaves.
        due = std::max(due + std::chrono::milliseconds(period), Clock::now());
    }
}

// There are no apartments here: CoInitializeEx fails only on a thread already initialised for
// the other concurrency model, and nothing on this system dispatches messages for the calling
// thread. So a CallingThread timer gets a thread of its own too; its ticks still never overlap
// and still run without the timer's lock, which is all the runtime relies on.
std::unique_ptr<Timer> Timer::start(std::uint32_t periodMs, Tick tick, TimerHome) noexcept
{
    try {
        auto impl = std::make_unique<Impl>(periodMs, std::move(tick));
        impl->thread = std::thread([core = impl.get()] { core->run(); });
        return std::unique_ptr<Timer>(new Timer(std::move(impl)));
    } catch (...) {
        // No memory or no thread; a thread that did start is joined with its Impl.
        return nullptr;
    }
}

Timer::Timer(std::unique_ptr<Impl> impl) noexcept : m_impl(std::move(impl)) {}

Timer::~Timer() = default;

void Timer::setPeriod(std::uint32_t periodMs) noexcept
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->period = periodMs;
        m_impl->rearm = true;
    }
    m_impl->wake.notify_one();
}

// No message queue to serve: CallingThread timers tick on their own thread here.
void dispatchPendingMessages() noexcept {}

} // namespace vetrel::platform
