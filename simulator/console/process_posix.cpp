#include "simulator/console/process.h"
#include "simulator/core/main_queue.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace moxlan {

std::string modulePath()
{
    std::error_code failed;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failed);
    return failed ? std::string() : path.string();
}

bool clientsNeedRegistration()
{
    return false;
}

std::string rawCommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

size_t readStandardInput(char* buffer, size_t size)
{
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, size);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) return 0;
    }
}

// The signals stay blocked in every thread; one thread takes them with sigtimedwait, so no
// signal handler ever runs and the queue is used from ordinary code only.
struct StopRequests::Watcher
{
    sigset_t signals{};
    std::atomic<bool> stopping{false};
    std::thread thread;
};

StopRequests::StopRequests(MainQueue& queue) : m_watcher(std::make_unique<Watcher>())
{
    Watcher& watcher = *m_watcher;
    sigemptyset(&watcher.signals);
    sigaddset(&watcher.signals, SIGINT);
    sigaddset(&watcher.signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &watcher.signals, nullptr);
    watcher.thread = std::thread([&watcher, &queue] {
        // Wakes now and then to notice that the host has finished.
        const timespec poll{0, 200'000'000};
        while (!watcher.stopping) {
            const int received = sigtimedwait(&watcher.signals, nullptr, &poll);
            if (received == SIGINT) queue.post(HostEvent::of(HostEvent::Kind::Interrupt));
            if (received == SIGTERM) queue.post(HostEvent::of(HostEvent::Kind::Terminate));
        }
    });
}

StopRequests::~StopRequests()
{
    m_watcher->stopping = true;
    m_watcher->thread.join();
}

} // namespace moxlan
