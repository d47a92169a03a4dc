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

bool orderlyExit(const std::function<void(std::chrono::milliseconds)>& wait)
{
    RequestDisconnect();
    wait(kDisconnectWait);
    return NumbrClientConnections() <= 0;
}

} // namespace moxlan
