// What the console host needs from its operating system: its own path, its raw command line,
// and stop requests (Ctrl+C, SIGTERM, the console closing) turned into queue events.
#pragma once

#include <memory>
#include <string>

namespace moxlan {

class MainQueue;

// The full path of the running executable.
std::string modulePath();

// The command line without the program name, as the program received it.
std::string rawCommandLine(int argc, char** argv);

// Whether clients in other processes find the server through COM's registry, so that a missing
// registration keeps them out. Natively, clients share the host's process.
bool clientsNeedRegistration();

// Reads what standard input has, blocking until some comes: the count of bytes, 0 once the
// input has ended or cannot be read (a local server that COM starts may have none).
size_t readStandardInput(char* buffer, size_t size);

// While it lives, stop requests reach the queue as Interrupt or Terminate events instead of
// ending the process. Create it before any other thread starts.
class StopRequests
{
public:
    explicit StopRequests(MainQueue& queue);
    // Tells a waiting console-close request that the host has finished its orderly end.
    ~StopRequests();
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;

private:
    struct Watcher;
    std::unique_ptr<Watcher> m_watcher;
};

} // namespace moxlan
