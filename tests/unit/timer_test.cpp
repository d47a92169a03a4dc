#include "platform/timer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using vetrel::platform::Timer;
using vetrel::platform::TimerHome;

// Generous: only a broken timer, never a slow machine, should run out of it.
constexpr auto kPatience = 10s;
// How long a timer that was told to stop, or to wait an hour, is watched for stray ticks.
constexpr auto kQuietWatch = 100ms;
constexpr std::uint32_t kHour = 3'600'000;

// Counts ticks and lets the test wait for them. A CallingThread timer ticks only while its
// thread dispatches messages, so the waits keep dispatching in short slices.
class TickLog
{
public:
    void record()
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_ticks;
            m_tickThread = std::this_thread::get_id();
        }
        m_ticked.notify_all();
    }

    int ticks()
    {
        std::lock_guard lock(m_mutex);
        return m_ticks;
    }

    std::thread::id tickThread()
    {
        std::lock_guard lock(m_mutex);
        return m_tickThread;
    }

    bool waitForTicks(int count, std::chrono::milliseconds patience = kPatience)
    {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        std::unique_lock lock(m_mutex);
        while (m_ticks < count) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            lock.unlock();
            vetrel::platform::dispatchPendingMessages();
            lock.lock();
            m_ticked.wait_for(lock, 5ms, [&] { return m_ticks >= count; });
        }
        return true;
    }

    // True when no more than `allowed` ticks beyond the current count arrive while watched.
    bool staysQuiet(int allowed = 0) { return !waitForTicks(ticks() + allowed + 1, kQuietWatch); }

private:
    std::mutex m_mutex;
    std::condition_variable m_ticked;
    int m_ticks = 0;
    std::thread::id m_tickThread;
};

class TimerTest : public testing::TestWithParam<TimerHome>
{
protected:
    std::unique_ptr<Timer> startLogged(std::uint32_t periodMs, TickLog& log)
    {
        return Timer::start(
            periodMs, [&log] { log.record(); }, GetParam());
    }
};

TEST_P(TimerTest, TicksRepeatedlyWithoutOverlapAtAnyPeriodItIsGiven)
{
    // 1 ms lies below the runtime's floor: flooring is the runtime's job, the timer just runs.
    for (std::uint32_t period : {1u, 10u}) {
        TickLog log;
        std::atomic<int> inTick = 0;
        std::atomic<bool> overlapped = false;
        auto timer = Timer::start(
            period,
            [&] {
                if (inTick.fetch_add(1) != 0) overlapped = true;
                log.record();
                inTick.fetch_sub(1);
            },
            GetParam());
        ASSERT_NE(timer, nullptr) << "period " << period;
        EXPECT_TRUE(log.waitForTicks(5)) << "period " << period;
        EXPECT_FALSE(overlapped) << "period " << period;
        if (GetParam() == TimerHome::OwnThread) {
            EXPECT_NE(log.tickThread(), std::this_thread::get_id());
        }
    }
}

TEST_P(TimerTest, NewPeriodTakesOverFromTheOldOne)
{
    TickLog log;
    auto timer = startLogged(kHour, log);
    ASSERT_NE(timer, nullptr);

    timer->setPeriod(10);
    EXPECT_TRUE(log.waitForTicks(3)) << "an hour-long wait must give way to the new period";

    // A tick already on its way when the request is made may still come; then it is quiet.
    timer->setPeriod(kHour);
    EXPECT_TRUE(log.staysQuiet(1));

    timer->setPeriod(10);
    EXPECT_TRUE(log.waitForTicks(log.ticks() + 3));
}

TEST_P(TimerTest, TickMayChangeThePeriodItself)
{
    TickLog log;
    std::atomic<Timer*> self = nullptr;
    auto timer = Timer::start(
        10,
        [&] {
            Timer* timer = self;
            if (!timer) return;
            log.record();
            // Alternate periods while ticking, then settle on an hour from the eighth tick.
            const int tick = log.ticks();
            timer->setPeriod(tick >= 8 ? kHour : 10 + tick % 2);
        },
        GetParam());
    ASSERT_NE(timer, nullptr);
    self = timer.get();

    EXPECT_TRUE(log.waitForTicks(8)) << "re-arming from inside a tick must not stall the timer";
    EXPECT_TRUE(log.staysQuiet());
}

TEST_P(TimerTest, NoTickOnceDestroyed)
{
    TickLog log;
    for (int round = 0; round < 10; ++round) {
        auto timer = startLogged(1, log);
        ASSERT_NE(timer, nullptr);
        // Some rounds stop before the first tick, some with a re-arm still on its way.
        if (round % 2 == 1) {
            ASSERT_TRUE(log.waitForTicks(log.ticks() + 2));
        }
        if (round % 3 == 2) timer->setPeriod(2);
        timer.reset();
        EXPECT_TRUE(log.staysQuiet()) << "round " << round;
    }
}

TEST_P(TimerTest, TimersTickIndependently)
{
    TickLog first;
    TickLog second;
    auto firstTimer = startLogged(10, first);
    auto secondTimer = startLogged(kHour, second);
    ASSERT_NE(firstTimer, nullptr);
    ASSERT_NE(secondTimer, nullptr);
    EXPECT_TRUE(first.waitForTicks(3));
    EXPECT_EQ(second.ticks(), 0);

    // The survivor keeps its own timer and its own re-arm after the other one is gone.
    firstTimer.reset();
    secondTimer->setPeriod(10);
    EXPECT_TRUE(second.waitForTicks(3));
    EXPECT_TRUE(first.staysQuiet());

    // A timer started after all others stopped sets itself up afresh.
    secondTimer.reset();
    TickLog third;
    auto thirdTimer = startLogged(10, third);
    ASSERT_NE(thirdTimer, nullptr);
    EXPECT_TRUE(third.waitForTicks(3));
}

INSTANTIATE_TEST_SUITE_P(Homes, TimerTest,
                         testing::Values(TimerHome::OwnThread, TimerHome::CallingThread),
                         [](const testing::TestParamInfo<TimerHome>& info) {
                             return info.param == TimerHome::OwnThread ? "OwnThread"
                                                                       : "CallingThread";
                         });

// Only a timer with a thread of its own can be destroyed while one of its ticks runs.
TEST(TimerOwnThread, DestructionWaitsForTheRunningTick)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool destroying = false;
    std::atomic<bool> tickDone = false;

    auto timer = Timer::start(10, [&] {
        std::unique_lock lock(mutex);
        if (entered) return;
        entered = true;
        changed.notify_all();
        changed.wait_for(lock, kPatience, [&] { return destroying; });
        lock.unlock();
        // A long tick: long enough that a destructor that does not wait returns first.
        std::this_thread::sleep_for(200ms);
        tickDone = true;
    });
    ASSERT_NE(timer, nullptr);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, kPatience, [&] { return entered; }));
        destroying = true;
    }
    changed.notify_all();
    timer.reset();
    EXPECT_TRUE(tickDone);
}

} // namespace
