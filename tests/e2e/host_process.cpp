#include "host_process.h"

#include "example_identity.h"
#include "kernel_handle.h"

#include <cstring>
#include <tlhelp32.h>

namespace e2e {
namespace {

constexpr const char* kHostImage = "vetrel-example-host.exe";

} // namespace

Apartment::Apartment()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
}

Apartment::~Apartment()
{
    CoUninitialize();
}

HRESULT activateHost(REFIID riid, void** object)
{
    return CoCreateInstance(example::kExampleClass, nullptr, CLSCTX_LOCAL_SERVER, riid, object);
}

std::vector<DWORD> processesOf(const char* image)
{
    std::vector<DWORD> found;
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry))
        if (_stricmp(entry.szExeFile, image) == 0) found.push_back(entry.th32ProcessID);
    return found;
}

std::vector<DWORD> hostProcesses()
{
    return processesOf(kHostImage);
}

std::optional<DWORD> waitForExit(DWORD processId, DWORD timeoutMs)
{
    const Handle process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.valid()) return std::nullopt;
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return std::nullopt;
    return code;
}

} // namespace e2e
