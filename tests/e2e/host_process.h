// The example host as a process of the test's Wine prefix, seen from a client process.
#pragma once

#include "platform/com_ptr.h"
#include "vetrel/opc.h"

#include <optional>
#include <vector>

namespace e2e {

// The client's membership of the multithreaded apartment, for the life of a test program.
class Apartment
{
public:
    Apartment();
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
};

// Activates the example host through COM as an out-of-process server; COM starts the host
// when it is not running.
HRESULT activateHost(REFIID riid, void** object);

template <typename T> vetrel::ComPtr<T> activateHost(REFIID riid, HRESULT* result = nullptr)
{
    vetrel::ComPtr<T> object;
    const HRESULT hr = activateHost(riid, object.putVoid());
    if (result) *result = hr;
    return object;
}

// Process IDs of the running processes of that executable name.
std::vector<DWORD> processesOf(const char* image);
// Process IDs of the running example hosts.
std::vector<DWORD> hostProcesses();

// The exit code of the process once it has ended, or empty when it is still running after
// the timeout.
std::optional<DWORD> waitForExit(DWORD processId, DWORD timeoutMs);

} // namespace e2e
