// The properties command through IOPCBrowse::GetProperties: the same list as through
// IOPCItemProperties, in one call.
#include "da3_memory.h"
#include "platform/com_ptr.h"
#include "platform/task_mem.h"
#include "properties.h"
#include "session.h"
#include "wide_text.h"

namespace opcprobe {

std::vector<PropertyValue> itemPropertiesDa3(IOPCServer* server, const std::string& item)
{
    const auto browse = askFor<IOPCBrowse>(server, IID_IOPCBrowse, "IOPCBrowse");
    auto itemID = widen(item);
    LPWSTR itemIDs[] = {reinterpret_cast<LPWSTR>(itemID.data())};
    OPCITEMPROPERTIES* raw = nullptr;
    // No property IDs asks for all of them; the empty list still travels as a reference.
    DWORD allProperties = 0;
    const HRESULT hr = browse->GetProperties(1, itemIDs, TRUE, 0, &allProperties, &raw);
    const auto answer = vetrel::TaskMem<OPCITEMPROPERTIES>::adopt(raw, 1);
    if (FAILED(hr) || !answer)
        throw ProbeFailure("GetProperties for " + item, FAILED(hr) ? hr : E_POINTER);
    OPCITEMPROPERTIES& properties = answer[0];
    std::vector<PropertyValue> listed;
    for (DWORD i = 0; i < properties.dwNumProperties && properties.pItemProperties; ++i) {
        OPCITEMPROPERTY& entry = properties.pItemProperties[i];
        listed.push_back(
            {entry.dwPropertyID, narrow(reinterpret_cast<const OLECHAR*>(entry.szDescription)),
             entry.vtDataType, entry.hrErrorID, vetrel::Variant::attach(entry.vValue)});
    }
    const HRESULT itemResult = properties.hrErrorID;
    freeItemProperties(properties);
    if (FAILED(itemResult)) throw ProbeFailure("GetProperties for " + item, itemResult);
    return listed;
}

} // namespace opcprobe
