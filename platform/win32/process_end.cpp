#include "platform/process_end.h"

#include <windows.h>

namespace vetrel::platform {

bool processIsEnding() noexcept
{
    // The loader's own answer; the headers of every toolchain do not declare it.
    using ShutdownInProgress = BOOLEAN(WINAPI*)();
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto inProgress = ntdll ? reinterpret_cast<ShutdownInProgress>(reinterpret_cast<void*>(
                                        GetProcAddress(ntdll, "RtlDllShutdownInProgress")))
                                  : nullptr;
    return inProgress && inProgress();
}

} // namespace vetrel::platform
