// vetrel-serverlist: the OPC server-list service (the class OPC.ServerList), a COM local server
// that tells clients which OPC servers this machine has registered.
//
//   vetrel-serverlist /RegServer     register as the local server of the class, and exit
//   vetrel-serverlist /UnregServer   remove that registration, and exit
//   vetrel-serverlist -Embedding     started by COM: serve while clients hold its objects
//
// Switches start with '-' or '/' and are matched without regard to case. Served, the program
// exits when the last client lets go, or 30 s after start when no client came.
#include "class_factory.h"
#include "registration.h"
#include "server_lifetime.h"
#include "simulator/core/command_line.h"
#include "vetrel/opc.h"

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kFirstClientMs = 30000;

std::string modulePath()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

int serve()
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    DWORD cookie = 0;
    const HRESULT registered =
        CoRegisterClassObject(CLSID_OPCServerList, &serverlist::serverListFactory(),
                              CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    if (SUCCEEDED(registered)) {
        serverlist::waitForLastClient(kFirstClientMs);
        CoRevokeClassObject(cookie);
    }
    CoUninitialize();
    return SUCCEEDED(registered) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string arguments;
    for (int i = 1; i < argc; ++i) arguments += std::string(argv[i]) + " ";
    const std::string path = modulePath();
    switch (moxlan::scanCommandLine(arguments)) {
    case moxlan::RegistrationRequest::Register:
        if (serverlist::registerServer(path)) return 0;
        std::fprintf(stderr, "vetrel-serverlist: could not register %s\n", path.c_str());
        return 1;
    case moxlan::RegistrationRequest::Unregister:
        if (serverlist::unregisterServer(path)) return 0;
        std::fprintf(stderr, "vetrel-serverlist: could not remove the registration\n");
        return 1;
    case moxlan::RegistrationRequest::None:
        return serve();
    }
    return 1;
}
