// The bare COM server: a local server of servers that hand out children, with no code but this
// folder's, to tell Wine's own behaviour under client churn from the product's.
//
//   bare_server RegServer [--pinned]   register as the local server of the bare class, and exit
//   bare_server -Embedding [--pinned]  started by COM: serve while clients hold objects
//
// --pinned keeps every interface the server hands out registered with RPC while it serves
// (bare_pins.h). Served, it exits 2 s after the last object went, or 30 s after start when no
// client came.
#include "bare_object.h"
#include "bare_objects.h"
#include "bare_pins.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPoll = std::chrono::milliseconds(50);
constexpr auto kLinger = std::chrono::seconds(2);
constexpr auto kFirstClientWait = std::chrono::seconds(30);

// Switches may start with "-", "--" or "/", as COM and people write them.
bool hasSwitch(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i) {
        const char* text = argv[i];
        while (*text == '-' || *text == '/') ++text;
        if (_stricmp(text, name) == 0) return true;
    }
    return false;
}

std::string classKeyName()
{
    wchar_t text[40];
    StringFromGUID2(kBareServerClass, text, 40);
    char narrow[40];
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return std::string("CLSID\\") + narrow + "\\LocalServer32";
}

int registerServer(bool pinned)
{
    char path[1024];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return 1;
    const std::string command = std::string("\"") + path + "\"" + (pinned ? " --pinned" : "");
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, classKeyName().c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    const LONG written =
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
    std::printf("registered bare server: %s\n", command.c_str());
    return written == ERROR_SUCCESS ? 0 : 1;
}

// Whether the clients that came have all let go of their objects a while ago.
class Idleness
{
public:
    // The pinned stand-ins, alive from the start, are no client's.
    explicit Idleness(long standIns) : m_standIns(standIns) {}

    bool over()
    {
        const Clock::time_point now = Clock::now();
        if (bareObjectsAlive > m_standIns) {
            m_seenClient = true;
            m_quietSince = now;
        }
        if (m_seenClient) return now - m_quietSince >= kLinger;
        return now - m_start >= kFirstClientWait;
    }

private:
    long m_standIns;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_quietSince = m_start;
    bool m_seenClient = false;
};

HRESULT pinInterfaces(BarePins& pins)
{
    const BareRef<IBareServer> server(newBareServer());
    const BareRef<IBareChild> child(newBareChild(0));
    const BareRef<IBareGroup> group(newBareGroup());
    if (!server.get() || !child.get() || !group.get()) return E_OUTOFMEMORY;
    HRESULT hr = pins.pin(bareClassFactory(), IID_IClassFactory);
    if (SUCCEEDED(hr)) hr = pins.pin(server.get(), IID_IBareServer);
    if (SUCCEEDED(hr)) hr = pins.pin(child.get(), IID_IBareChild);
    if (SUCCEEDED(hr)) hr = pins.pin(group.get(), IID_IBareGroup);
    return hr;
}

int serve(bool pinned)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    int exitCode = 1;
    {
        BarePins pins;
        DWORD cookie = 0;
        if ((!pinned || SUCCEEDED(pinInterfaces(pins))) &&
            SUCCEEDED(CoRegisterClassObject(kBareServerClass, bareClassFactory(),
                                            CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
            Idleness idleness(bareObjectsAlive);
            while (!idleness.over()) std::this_thread::sleep_for(kPoll);
            CoRevokeClassObject(cookie);
            exitCode = 0;
        }
    }
    CoUninitialize();
    return exitCode;
}

} // namespace

int main(int argc, char** argv)
{
    const bool pinned = hasSwitch(argc, argv, "pinned");
    if (hasSwitch(argc, argv, "RegServer")) return registerServer(pinned);
    return serve(pinned);
}
