// The runtime's scan timer: calls one tick function every period until it is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace vetrel::platform {

// Where the ticks of a timer run.
enum class TimerHome
{
    // A thread of the timer's own, for a runtime that joined the multithreaded apartment.
    OwnThread,
    // The thread that starts the timer, whose message dispatch delivers the ticks: the runtime's
    // fallback when that thread already belongs to a single-threaded apartment.
    CallingThread,
};

class Timer
{
public:
    // Must not throw. The timer holds no lock of its own while it runs the tick, so the tick
    // may take the runtime lock and may call setPeriod.
    using Tick = std::function<void()>;

    // Starts ticking every periodMs. The period is used as given: keeping it sensible (the
    // runtime's 10 ms floor) is the caller's business. Returns null when the timer cannot be
    // set up (no thread, no window, no memory); nothing is left running then.
    static std::unique_ptr<Timer> start(std::uint32_t periodMs, Tick tick,
                                        TimerHome home = TimerHome::OwnThread) noexcept;

    // Stops and joins: once it returns no tick runs or will run. Waits for a running tick, so
    // it must not be called from the tick itself nor while holding a lock the tick takes. A
    // CallingThread timer is destroyed on the thread that started it.
    ~Timer();

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Re-arms with a new period from any thread, the tick included. The timer's own thread
    // does the re-arming, so the next tick comes one new period after it has handled the
    // request.
    void setPeriod(std::uint32_t periodMs) noexcept;

    struct Impl;

private:
    explicit Timer(std::unique_ptr<Impl> impl) noexcept;

    std::unique_ptr<Impl> m_impl;
};

// Delivers whatever messages are waiting for the calling thread, the ticks of its
// CallingThread timers among them, without blocking. A host with a message loop of its own
// never needs it.
void dispatchPendingMessages() noexcept;

} // namespace vetrel::platform
