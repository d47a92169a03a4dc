#include "comkit/client_lane.h"

#include "comkit/runtime_lock.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace vetrel {

using Clock = std::chrono::steady_clock;

struct ClientLane::State
{
    explicit State(ClientGone goneCallback) noexcept : gone(std::move(goneCallback)) {}

    std::mutex lock;
    // To the lane's thread: a call is waiting, or the lane ends.
    std::condition_variable work;
    // To waiting threads: a call has been made or dropped.
    std::condition_variable progress;
    std::deque<std::unique_ptr<ClientDelivery>> waiting;
    // The waiting data-change reports, by merge key.
    std::unordered_map<std::uint64_t, ClientDelivery*> mergeable;
    // Calls queued and calls made or dropped, counted from the lane's start.
    std::uint64_t posted = 0;
    std::uint64_t made = 0;
    bool threadStarted = false;
    // The owner is gone: the thread makes what waits, then ends.
    bool closed = false;
    // Abandoned, or the client is gone: nothing more is made.
    bool stopped = false;
    bool inCall = false;
    Clock::time_point callStart;
    const ClientGone gone;
};

namespace {

// The lane whose thread this is, so that a client calling the host API from inside a
// callback never waits for its own lane.
thread_local const ClientLane::State* t_lane = nullptr;

// The lane threads of the process, counted so that the unload can wait for them.
class LaneThreads
{
public:
    void enter()
    {
        std::lock_guard held(m_lock);
        ++m_live;
    }
    void leave() noexcept
    {
        std::lock_guard held(m_lock);
        if (--m_live == 0) m_none.notify_all();
    }
    bool waitNone(std::chrono::milliseconds timeout)
    {
        std::unique_lock held(m_lock);
        return m_none.wait_for(held, timeout, [this] { return m_live == 0; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_none;
    int m_live = 0;
};

// Never destroyed: a thread still inside a frozen client's call may leave it at any time,
// even after the library's static objects are gone.
LaneThreads& laneThreads() noexcept
{
    static auto* threads = new LaneThreads;
    return *threads;
}

void forgetMergeable(ClientLane::State& state, const ClientDelivery& delivery) noexcept
{
    const std::uint64_t key = delivery.mergeKey();
    if (!key) return;
    const auto found = state.mergeable.find(key);
    if (found != state.mergeable.end() && found->second == &delivery) state.mergeable.erase(found);
}

// Whether delivery, a data-change report, went into a waiting report of its group; without
// memory for the merge it is queued on its own.
bool mergedIntoWaiting(ClientLane::State& state, ClientDelivery& delivery) noexcept
{
    const std::uint64_t key = delivery.mergeKey();
    if (!key) return false;
    const auto found = state.mergeable.find(key);
    if (found == state.mergeable.end()) return false;
    try {
        found->second->merge(delivery);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Stops the lane; the calls that waited, to be released once the lane's lock is.
std::deque<std::unique_ptr<ClientDelivery>> stop(ClientLane::State& state) noexcept
{
    state.stopped = true;
    state.made += state.waiting.size();
    state.mergeable.clear();
    state.progress.notify_all();
    state.work.notify_all();
    return std::exchange(state.waiting, {});
}

// The lane's thread, in the multithreaded apartment: calls into other processes go through
// proxies of that apartment.
void runLane(const std::shared_ptr<ClientLane::State>& state) noexcept
{
    t_lane = state.get();
    std::unique_lock held(state->lock);
    for (;;) {
        state->work.wait(
            held, [&] { return !state->waiting.empty() || state->closed || state->stopped; });
        if (state->waiting.empty()) break;
        std::unique_ptr<ClientDelivery> next = std::move(state->waiting.front());
        state->waiting.pop_front();
        forgetMergeable(*state, *next);
        state->inCall = true;
        state->callStart = Clock::now();
        held.unlock();

        assertLockNotHeld();
        const HRESULT answer = next->send();
        const char* method = next->method();
        // The client's sink and the call's memory go here, outside every lock.
        next.reset();

        if (clientIsGone(answer)) {
            // The connection ends before the call counts as made, so a thread waiting for it
            // finds the connection gone.
            if (state->gone) state->gone(answer, method);
            held.lock();
            auto dropped = stop(*state);
            held.unlock();
        }
        held.lock();
        state->inCall = false;
        ++state->made;
        state->progress.notify_all();
    }
    held.unlock();
    t_lane = nullptr;
}

// Whether the lane's thread runs, started now if need be. The caller holds the lane's lock.
bool hasThread(const std::shared_ptr<ClientLane::State>& state) noexcept
{
    if (!state->threadStarted) state->threadStarted = runOnOwnThread([state] { runLane(state); });
    return state->threadStarted;
}

// The calls of due joined to the waiting ones. The caller holds the lane's lock.
void queue(ClientLane::State& state, ClientDeliveries& due) noexcept
{
    for (auto& delivery : due) {
        if (mergedIntoWaiting(state, *delivery)) continue;
        try {
            state.waiting.push_back(std::move(delivery));
            ++state.posted;
            if (const std::uint64_t key = state.waiting.back()->mergeKey())
                state.mergeable[key] = state.waiting.back().get();
        } catch (const std::bad_alloc&) {
            // A call that did not fit is dropped with due; one that did is not mergeable.
        }
    }
    state.work.notify_one();
}

} // namespace

bool clientIsGone(HRESULT hr) noexcept
{
    constexpr HRESULT kServerUnavailable = static_cast<HRESULT>(0x800706BA);
    constexpr HRESULT kCallFailed = static_cast<HRESULT>(0x800706BE);
    return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE ||
           hr == CO_E_OBJNOTCONNECTED || hr == kServerUnavailable || hr == kCallFailed;
}

ClientLane::ClientLane(ClientGone gone) noexcept
{
    try {
        m_state = std::make_shared<State>(std::move(gone));
    } catch (const std::bad_alloc&) {
        // A lane without state drops every call, like one without a thread.
    }
}

ClientLane::~ClientLane()
{
    if (!m_state) return;
    std::lock_guard held(m_state->lock);
    m_state->closed = true;
    m_state->work.notify_all();
}

std::uint64_t ClientLane::post(ClientDeliveries& due, DeliveryWaits* waits) noexcept
{
    assertLockHeld();
    if (!m_state) return 0;
    State& state = *m_state;
    std::uint64_t mark = 0;
    bool inCall = false;
    {
        std::lock_guard held(state.lock);
        if (state.stopped) return state.posted;
        if (!due.empty() && hasThread(m_state)) queue(state, due);
        mark = state.posted;
        inCall = state.inCall;
    }
    // Also with nothing new: a refresh returns once every report prepared so far is made.
    if (waits) waits->add(m_state, mark, inCall);
    return mark;
}

bool ClientLane::madeAll(std::uint64_t mark) const noexcept
{
    if (!m_state) return true;
    std::lock_guard held(m_state->lock);
    return m_state->made >= mark;
}

void ClientLane::abandon() noexcept
{
    if (!m_state) return;
    std::unique_lock held(m_state->lock);
    auto dropped = stop(*m_state);
    held.unlock();
}

bool ClientLane::idle() const noexcept
{
    if (!m_state) return false;
    std::lock_guard held(m_state->lock);
    return !m_state->inCall && !m_state->stopped;
}

void DeliveryWaits::add(std::shared_ptr<ClientLane::State> lane, std::uint64_t target,
                        bool inCall) noexcept
{
    if (inCall && m_busy == Busy::DoNotWait) return;
    try {
        m_lanes.emplace_back(std::move(lane), target);
    } catch (const std::bad_alloc&) {
        // That lane's calls are made all the same, only not waited for.
    }
}

void DeliveryWaits::wait(std::chrono::milliseconds timeout,
                         std::chrono::milliseconds stalledAfter) noexcept
{
    // A host inside a notification that holds the runtime lock (a write, say) must not wait:
    // a client called meanwhile may call back and need the lock. The calls go all the same.
    if (RuntimeLock::heldByThisThread()) {
        m_lanes.clear();
        return;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    for (const auto& [lane, target] : m_lanes) {
        if (lane.get() == t_lane) continue;
        std::unique_lock held(lane->lock);
        for (;;) {
            if (lane->made >= target) break;
            Clock::time_point until = deadline;
            if (lane->inCall) until = std::min(until, lane->callStart + stalledAfter);
            if (Clock::now() >= until) break;
            lane->progress.wait_until(held, until);
        }
    }
    m_lanes.clear();
}

bool runOnOwnThread(std::function<void()> work) noexcept
{
    try {
        laneThreads().enter();
    } catch (const std::system_error&) {
        return false;
    }
    try {
        std::thread([work = std::move(work)] {
            const HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            work();
            if (SUCCEEDED(joined)) CoUninitialize();
            laneThreads().leave();
        }).detach();
    } catch (const std::system_error&) {
        laneThreads().leave();
        return false;
    }
    return true;
}

bool waitForLaneThreads(std::chrono::milliseconds timeout) noexcept
{
    assertLockNotHeld();
    try {
        return laneThreads().waitNone(timeout);
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace vetrel
