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

// The exit code of a registration request. Leaving another product's server list in place is
// what the request should do, not a failure.
int reportRegistration(serverlist::Registration outcome, const std::string& failure)
{
    switch (outcome) {
    case serverlist::Registration::Done:
        return 0;
    case serverlist::Registration::LeftToOther:
        std::printf("vetrel-serverlist: another server list is registered (%s); it is left as "
                    "it is\n",
                    serverlist::registeredServer().c_str());
        return 0;
    case serverlist::Registration::Failed:
        break;
    }
    std::fprintf(stderr, "vetrel-serverlist: %s\n", failure.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string arguments;
    for (int i = 1; i < argc; ++i) arguments += std::string(argv[i]) + " ";
    const std::string path = modulePath();
    switch (moxlan::scanCommandLine(arguments)) {
    case moxlan::RegistrationRequest::Register:
        return reportRegistration(serverlist::registerServer(path), "could not register " + path);
    case moxlan::RegistrationRequest::Unregister:
        return reportRegistration(serverlist::unregisterServer(path),
                                  "could not remove the registration");
    case moxlan::RegistrationRequest::None:
        return serve();
    }
    return 1;
}
