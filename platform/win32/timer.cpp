// The scan timer on Windows: a thread timer (SetTimer without a window) whose ticks the owning
// thread's message dispatch delivers, and a window of class "DVTimerNotify" on that same thread
// that receives the re-arm message, so that only the owning thread ever touches its timer.
#include "platform/timer.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>
#include <windows.h>

namespace vetrel::platform {

struct Timer::Impl
{
    Impl(std::uint32_t periodMs, Tick onTick, TimerHome where)
        : tick(std::move(onTick)), home(where), period(periodMs)
    {}

    // Stops a running timer, then lets go of the handles.
    ~Impl();

    const Tick tick;
    const TimerHome home;
    std::atomic<std::uint32_t> period;
    bool running = false;
    // Set up by the owning thread before start() returns; touched by that thread only after.
    DWORD ownerThread = 0;
    HWND window = nullptr;
    // Read by the timer procedure of any thread while it looks for its own timer.
    std::atomic<UINT_PTR> timerId = 0;
    // OwnThread only: the thread, and its signals that it is set up and that it has finished.
    HANDLE thread = nullptr;
    HANDLE setUp = nullptr;
    HANDLE finished = nullptr;
};

namespace {

constexpr UINT kRearmMessage = WM_USER + 1;
constexpr char kWindowClass[] = "DVTimerNotify";

// A thread timer carries no context of its own, so its procedure finds the timer among the
// running ones by the thread it runs on and the identifier SetTimer handed out.
class RunningTimers
{
public:
    bool add(Timer::Impl& timer) noexcept
    {
        std::lock_guard lock(m_mutex);
        try {
            m_timers.push_back(&timer);
            return true;
        } catch (...) {
            return false;
        }
    }

    void remove(Timer::Impl& timer) noexcept
    {
        std::lock_guard lock(m_mutex);
        std::erase(m_timers, &timer);
    }

    Timer::Impl* find(DWORD thread, UINT_PTR timerId) noexcept
    {
        std::lock_guard lock(m_mutex);
        auto found = std::find_if(m_timers.begin(), m_timers.end(), [&](Timer::Impl* timer) {
            return timer->ownerThread == thread && timer->timerId == timerId;
        });
        return found == m_timers.end() ? nullptr : *found;
    }

private:
    std::mutex m_mutex;
    std::vector<Timer::Impl*> m_timers;
};

RunningTimers& runningTimers() noexcept
{
    static RunningTimers timers;
    return timers;
}

// A tick that throws ends the process here rather than unwinding through the system's
// message dispatch.
void CALLBACK onTimer(HWND, UINT, UINT_PTR timerId, DWORD) noexcept
{
    if (Timer::Impl* timer = runningTimers().find(GetCurrentThreadId(), timerId)) timer->tick();
}

// On the owning thread: replaces the thread timer by one with the current period.
bool arm(Timer::Impl& timer) noexcept
{
    if (timer.timerId) KillTimer(nullptr, timer.timerId);
    timer.timerId = SetTimer(nullptr, 0, timer.period, &onTimer);
    return timer.timerId != 0;
}

LRESULT CALLBACK notifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == kRearmMessage) {
        auto* timer = reinterpret_cast<Timer::Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (timer) arm(*timer);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Window classes belong to the process while timers come and go on several threads: the
// class is registered for the first timer and unregistered after the last one.
std::mutex windowClassMutex;
int windowClassUsers = 0;

bool acquireWindowClass() noexcept
{
    std::lock_guard lock(windowClassMutex);
    if (windowClassUsers == 0) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &notifyWindowProc;
        windowClass.lpszClassName = kWindowClass;
        if (!RegisterClassExA(&windowClass)) return false;
    }
    ++windowClassUsers;
    return true;
}

void releaseWindowClass() noexcept
{
    std::lock_guard lock(windowClassMutex);
    if (--windowClassUsers == 0) UnregisterClassA(kWindowClass, nullptr);
}

HWND createWindow(HWND parent, DWORD style) noexcept
{
    return CreateWindowExA(0, kWindowClass, "", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, parent, nullptr, nullptr, nullptr);
}

// The timer thread owns a hidden top-level window. A CallingThread timer only needs a message
// target for the re-arm, so it adds no window to the host's desktop: a message-only one does.
HWND createNotifyWindow(TimerHome home) noexcept
{
    if (home == TimerHome::OwnThread) {
        if (HWND window = createWindow(nullptr, WS_OVERLAPPEDWINDOW)) {
            ShowWindow(window, SW_HIDE);
            UpdateWindow(window);
            return window;
        }
    }
    return createWindow(HWND_MESSAGE, 0);
}

// On the owning thread: takes everything attach() got, whatever part of it that was.
void detach(Timer::Impl& timer) noexcept
{
    if (timer.timerId) KillTimer(nullptr, timer.timerId);
    timer.timerId = 0;
    runningTimers().remove(timer);
    if (timer.window) DestroyWindow(timer.window);
    timer.window = nullptr;
    releaseWindowClass();
}

// On the owning thread: the window that receives the re-arm, then the thread timer.
bool attach(Timer::Impl& timer) noexcept
{
    timer.ownerThread = GetCurrentThreadId();
    if (!acquireWindowClass()) return false;
    timer.window = createNotifyWindow(timer.home);
    if (timer.window) {
        SetWindowLongPtrA(timer.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&timer));
        if (runningTimers().add(timer) && arm(timer)) return true;
    }
    detach(timer);
    return false;
}

DWORD WINAPI timerThreadMain(void* parameter) noexcept
{
    auto& timer = *static_cast<Timer::Impl*>(parameter);
    const bool attached = attach(timer);
    timer.running = attached;
    SetEvent(timer.setUp);
    if (!attached) return 1;

    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    detach(timer);
    // The last touch of the timer: its owner may free it as soon as this is set.
    SetEvent(timer.finished);
    return got == 0 ? static_cast<DWORD>(message.wParam) : 1;
}

bool launchThread(Timer::Impl& timer) noexcept
{
    timer.setUp = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    timer.finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!timer.setUp || !timer.finished) return false;
    // Default security: nothing outside this process has any business with the thread.
    timer.thread = CreateThread(nullptr, 0, &timerThreadMain, &timer, 0, nullptr);
    if (!timer.thread) return false;
    WaitForSingleObject(timer.setUp, INFINITE);
    if (!timer.running) WaitForSingleObject(timer.thread, INFINITE);
    return timer.running;
}

bool launch(Timer::Impl& timer) noexcept
{
    if (timer.home == TimerHome::OwnThread) return launchThread(timer);
    timer.running = attach(timer);
    return timer.running;
}

} // namespace

Timer::Impl::~Impl()
{
    if (running && home == TimerHome::CallingThread) detach(*this);
    if (running && home == TimerHome::OwnThread) {
        PostThreadMessageA(ownerThread, WM_QUIT, 0, 0);
        // Not the thread's end alone: when the library is unloaded this runs under the loader
        // lock, which an ending thread needs as well. The thread signals once it will not tick
        // again; at process exit it is gone without signalling, and its handle tells that.
        HANDLE ends[] = {finished, thread};
        WaitForMultipleObjects(2, ends, FALSE, INFINITE);
    }
    for (HANDLE handle : {thread, setUp, finished}) {
        if (handle) CloseHandle(handle);
    }
}

std::unique_ptr<Timer> Timer::start(std::uint32_t periodMs, Tick tick, TimerHome home) noexcept
{
    try {
        std::unique_ptr<Timer> timer(
            new Timer(std::make_unique<Impl>(periodMs, std::move(tick), home)));
        return launch(*timer->m_impl) ? std::move(timer) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

Timer::Timer(std::unique_ptr<Impl> impl) noexcept : m_impl(std::move(impl)) {}

Timer::~Timer() = default;

void Timer::setPeriod(std::uint32_t periodMs) noexcept
{
    m_impl->period = periodMs;
    PostMessageA(m_impl->window, kRearmMessage, 0, static_cast<LPARAM>(periodMs));
}

void dispatchPendingMessages() noexcept
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The quit belongs to the thread's own loop: leave it for that loop to see.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace vetrel::platform
