#include "simulator/console/process.h"
#include "simulator/core/main_queue.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <windows.h>

namespace moxlan {

std::string modulePath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool clientsNeedRegistration()
{
    return true;
}

std::string rawCommandLine(int, char**)
{
    // The program name comes first, quoted when it holds blanks; what follows it is ours.
    const char* line = GetCommandLineA();
    if (*line == '"') {
        ++line;
        while (*line && *line != '"') ++line;
        if (*line == '"') ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

size_t readStandardInput(char* buffer, size_t size)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return 0;
    DWORD got = 0;
    if (!ReadFile(input, buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
    return got;
}

namespace {

// The console control handler runs on a thread of its own that Windows starts; it reaches the
// host through these.
MainQueue* stopQueue = nullptr;
std::mutex finishLock;
std::condition_variable finishedChanged;
bool finished = false;

// Windows ends the process soon after the handler of a closing console returns, so the
// handler waits until the host has saved and removed its tags.
constexpr std::chrono::seconds kCloseGrace{4};

BOOL WINAPI onConsoleControl(DWORD control)
{
    if (control == CTRL_C_EVENT) {
        stopQueue->post(HostEvent::of(HostEvent::Kind::Interrupt));
        return TRUE;
    }
    stopQueue->post(HostEvent::of(HostEvent::Kind::Terminate));
    std::unique_lock held(finishLock);
    finishedChanged.wait_for(held, kCloseGrace, [] { return finished; });
    return TRUE;
}

} // namespace

struct StopRequests::Watcher
{};

StopRequests::StopRequests(MainQueue& queue)
{
    stopQueue = &queue;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

StopRequests::~StopRequests()
{
    {
        std::lock_guard held(finishLock);
        finished = true;
    }
    finishedChanged.notify_all();
}

} // namespace moxlan
