#include "wine_process.h"

#include <cctype>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace e2e {
namespace {

// Linux on x86-64: the kill system call and the signals it sends here.
constexpr long kSysKill = 62;
constexpr int kSigInt = 2, kSigKill = 9, kSigCont = 18, kSigStop = 19;

// A started program shows under its name once Wine has loaded it.
constexpr auto kAppearTimeout = std::chrono::seconds(20);
constexpr auto kAppearPoll = std::chrono::milliseconds(50);

// Wine runs a Windows program as a Linux process, and its code can make Linux system calls
// directly; the result is the call's, a negative errno on failure.
long linuxKill(long pid, long signal) noexcept
{
    long result;
    asm volatile("syscall"
                 : "=a"(result)
                 : "a"(kSysKill), "D"(pid), "S"(signal)
                 : "rcx", "r11", "memory");
    return result;
}

// A file of /proc, through the drive Wine maps to the Linux root; empty when it cannot be read.
std::string procFile(const std::string& pid, const char* name)
{
    const std::string path = "Z:\\proc\\" + pid + "\\" + name;
    const Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    std::string text;
    if (!file.valid()) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Whether the command line of /proc (NUL-separated words, the Windows command line as Wine
// shows it) runs program.
bool runs(const std::string& commandLine, std::string_view program)
{
    const std::string first = commandLine.substr(0, commandLine.find('\0'));
    const size_t slash = first.find_last_of("\\/");
    return sameName(slash == std::string::npos ? first : first.substr(slash + 1), program);
}

// The WINEPREFIX entry of an environment as /proc shows it (NUL-separated).
std::string prefixEntry()
{
    char prefix[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (length == 0 || length >= sizeof prefix)
        throw std::runtime_error("WINEPREFIX is not set: run under the build's wine-run");
    return std::string(1, '\0') + "WINEPREFIX=" + std::string(prefix, length) + '\0';
}

int appeared(std::string_view program, const std::set<int>& before)
{
    const auto deadline = std::chrono::steady_clock::now() + kAppearTimeout;
    do {
        std::set<int> fresh;
        for (const int pid : unixProcesses(program))
            if (!before.count(pid)) fresh.insert(pid);
        if (fresh.size() == 1) return *fresh.begin();
        if (fresh.size() > 1)
            throw std::runtime_error("more than one new " + std::string(program) + " process");
        std::this_thread::sleep_for(kAppearPoll);
    } while (std::chrono::steady_clock::now() < deadline);
    throw std::runtime_error("no Linux process of " + std::string(program) + " appeared");
}

} // namespace

std::set<int> unixProcesses(std::string_view program)
{
    // Other prefixes run programs of the same names: the environment tells them apart.
    const std::string prefix = prefixEntry();
    std::set<int> found;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::string pid = entry.cFileName;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        if (!runs(procFile(pid, "cmdline"), program)) continue;
        // The environment starts without a separator before its first entry.
        if (('\0' + procFile(pid, "environ")).find(prefix) == std::string::npos) continue;
        found.insert(std::stoi(pid));
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

bool UnixProcess::kill() const noexcept
{
    return signal(kSigKill);
}

bool UnixProcess::stop() const noexcept
{
    return signal(kSigStop);
}

bool UnixProcess::resume() const noexcept
{
    return signal(kSigCont);
}

bool UnixProcess::interrupt() const noexcept
{
    return signal(kSigInt);
}

bool UnixProcess::signal(int number) const noexcept
{
    return linuxKill(m_pid, number) == 0;
}

WineChild::WineChild(const std::string& program, const std::string& arguments)
    : m_before(unixProcesses(program)), m_program(program, arguments),
      m_unix(appeared(program, m_before))
{}

WineChild::~WineChild()
{
    if (!m_program.waitForExit(0)) m_unix.kill();
}

} // namespace e2e
