#include "properties.h"

#include "platform/com_ptr.h"
#include "platform/task_mem.h"
#include "session.h"
#include "wide_text.h"

namespace opcprobe {

using vetrel::ComPtr;
using vetrel::TaskMem;

std::vector<PropertyValue> itemProperties(IOPCServer* server, const std::string& item)
{
    ComPtr<IOPCItemProperties> source;
    HRESULT hr = server->QueryInterface(IID_IOPCItemProperties, source.putVoid());
    if (FAILED(hr)) throw ProbeFailure("Asking for IOPCItemProperties", hr);
    auto itemID = widen(item);
    const auto id = reinterpret_cast<LPWSTR>(itemID.data());

    DWORD count = 0;
    DWORD* rawIds = nullptr;
    LPWSTR* rawDescriptions = nullptr;
    VARTYPE* rawTypes = nullptr;
    hr = source->QueryAvailableProperties(id, &count, &rawIds, &rawDescriptions, &rawTypes);
    const auto ids = TaskMem<DWORD>::adopt(rawIds, count);
    const auto descriptions = TaskMem<LPWSTR>::adopt(rawDescriptions, count);
    const auto types = TaskMem<VARTYPE>::adopt(rawTypes, count);
    std::vector<PropertyValue> properties(count);
    for (DWORD i = 0; i < count && descriptions; ++i) {
        const auto text = TaskMem<WCHAR>::adopt(descriptions[i], 1);
        properties[i].description = narrow(reinterpret_cast<const OLECHAR*>(text.get()));
    }
    if (FAILED(hr)) throw ProbeFailure("QueryAvailableProperties for " + item, hr);
    if (count == 0) return properties;
    if (!ids || !types) throw ProbeFailure("QueryAvailableProperties for " + item, E_POINTER);
    for (DWORD i = 0; i < count; ++i) {
        properties[i].id = ids[i];
        properties[i].type = types[i];
    }

    VARIANT* rawValues = nullptr;
    HRESULT* rawErrors = nullptr;
    hr = source->GetItemProperties(id, count, ids.get(), &rawValues, &rawErrors);
    const auto values = TaskMem<VARIANT>::adopt(rawValues, count);
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, count);
    // The values are taken first: whatever else went wrong, they are cleared.
    for (DWORD i = 0; i < count && values; ++i)
        properties[i].value = vetrel::Variant::attach(values[i]);
    if (FAILED(hr) || !values || !errors)
        throw ProbeFailure("GetItemProperties for " + item, FAILED(hr) ? hr : E_POINTER);
    for (DWORD i = 0; i < count; ++i) properties[i].error = errors[i];
    return properties;
}

} // namespace opcprobe
