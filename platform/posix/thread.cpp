// The calling thread's last error, its identity, sleeping, and the millisecond tick count.
#include "vetrel/com.h"

#include <chrono>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

} // namespace

extern "C" DWORD WINAPI GetLastError()
{
    return t_lastError;
}

extern "C" void WINAPI SetLastError(DWORD dwErrCode)
{
    t_lastError = dwErrCode;
}

extern "C" void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

extern "C" ULONGLONG WINAPI GetTickCount64()
{
    auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<ULONGLONG>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count());
}

// Wraps after 49.7 days, as on Windows.
extern "C" DWORD WINAPI GetTickCount()
{
    return static_cast<DWORD>(GetTickCount64());
}

extern "C" DWORD WINAPI GetCurrentThreadId()
{
    return static_cast<DWORD>(syscall(SYS_gettid));
}

extern "C" DWORD WINAPI GetCurrentProcessId()
{
    return static_cast<DWORD>(getpid());
}
