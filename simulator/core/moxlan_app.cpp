#include "simulator/core/moxlan_app.h"

#include "vetrel/vetrel.h"

namespace moxlan {

bool runRegistration(RegistrationRequest request, const std::string& executablePath)
{
    switch (request) {
    case RegistrationRequest::Register:
        return UpdateRegistryA(kMoxlanClsid, kMoxlanProgId, kMoxlanDescription,
                               executablePath.c_str());
    case RegistrationRequest::Unregister:
        return UnregisterServerA(kMoxlanClsid, kMoxlanProgId);
    case RegistrationRequest::None:
        break;
    }
    return false;
}

std::string registrationProblem()
{
    // Clients name the server by its ProgID; without the key they cannot even ask COM for it.
    const std::string key = std::string(kMoxlanProgId) + "\\CLSID";
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        RegCloseKey(opened);
        return {};
    }
    return std::string(kMoxlanProgId) +
           " is not registered here, so clients in other processes cannot find this server; "
           "register it once by running this program with /RegServer";
}

bool orderlyExit(const std::function<void(std::chrono::milliseconds)>& wait)
{
    RequestDisconnect();
    wait(kDisconnectWait);
    return NumbrClientConnections() <= 0;
}

} // namespace moxlan
