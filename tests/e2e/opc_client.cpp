#include "opc_client.h"

#include "platform/task_mem.h"

namespace e2e {

using vetrel::TaskMem;

std::basic_string<OLECHAR> wide(std::string_view ascii)
{
    return std::basic_string<OLECHAR>(ascii.begin(), ascii.end());
}

std::string takeText(LPWSTR text)
{
    std::string result;
    for (const WCHAR* c = text; c && *c; ++c) result += static_cast<char>(*c);
    CoTaskMemFree(text);
    return result;
}

AddedGroup addGroup(IOPCServer* server, std::string_view name, DWORD rate, OPCHANDLE client)
{
    AddedGroup group;
    const auto wideName = wide(name);
    LONG timeBias = 60;
    FLOAT deadband = 2.5f;
    ComPtr<IUnknown> unknown;
    group.result = server->AddGroup(reinterpret_cast<LPCWSTR>(wideName.c_str()), TRUE, rate, client,
                                    &timeBias, &deadband, 0x0409, &group.handle, &group.revisedRate,
                                    IID_IOPCItemMgt, unknown.put());
    group.items = unknown.as<IOPCItemMgt>(IID_IOPCItemMgt);
    return group;
}

std::vector<AddedItem> addItems(IOPCItemMgt* items, const std::vector<std::string_view>& names,
                                HRESULT* result)
{
    std::vector<std::basic_string<OLECHAR>> ids;
    for (std::string_view name : names) ids.push_back(wide(name));
    OLECHAR noPath[] = {0};
    std::vector<OPCITEMDEF> definitions(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        definitions[i].szAccessPath = reinterpret_cast<LPWSTR>(noPath);
        definitions[i].szItemID = reinterpret_cast<LPWSTR>(ids[i].data());
        definitions[i].bActive = TRUE;
        definitions[i].hClient = static_cast<OPCHANDLE>(i);
        definitions[i].vtRequestedDataType = VT_EMPTY;
    }
    OPCITEMRESULT* rawResults = nullptr;
    HRESULT* rawErrors = nullptr;
    *result = items->AddItems(static_cast<DWORD>(names.size()), definitions.data(), &rawResults,
                              &rawErrors);
    const auto results = TaskMem<OPCITEMRESULT>::adopt(rawResults, names.size());
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, names.size());
    std::vector<AddedItem> added(results && errors ? names.size() : 0);
    for (size_t i = 0; i < added.size(); ++i) {
        CoTaskMemFree(results[i].pBlob);
        added[i] = {errors[i], results[i].hServer, results[i].vtCanonicalDataType,
                    results[i].dwAccessRights};
    }
    return added;
}

std::vector<ReadValue> readItems(IOPCSyncIO* io, const std::vector<OPCHANDLE>& handles,
                                 HRESULT* result)
{
    OPCITEMSTATE* rawStates = nullptr;
    HRESULT* rawErrors = nullptr;
    *result = io->Read(OPC_DS_DEVICE, static_cast<DWORD>(handles.size()),
                       const_cast<OPCHANDLE*>(handles.data()), &rawStates, &rawErrors);
    const auto states = TaskMem<OPCITEMSTATE>::adopt(rawStates, handles.size());
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, handles.size());
    std::vector<ReadValue> values(states && errors ? handles.size() : 0);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i].error = errors[i];
        values[i].client = states[i].hClient;
        values[i].value = vetrel::Variant::attach(states[i].vDataValue);
        values[i].quality = states[i].wQuality;
    }
    return values;
}

std::vector<HRESULT> writeItems(IOPCSyncIO* io, const std::vector<OPCHANDLE>& handles,
                                const std::vector<VARIANT>& values, HRESULT* result)
{
    HRESULT* rawErrors = nullptr;
    *result = io->Write(static_cast<DWORD>(handles.size()), const_cast<OPCHANDLE*>(handles.data()),
                        const_cast<VARIANT*>(values.data()), &rawErrors);
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, handles.size());
    if (!errors) return {};
    return std::vector<HRESULT>(errors.get(), errors.get() + handles.size());
}

} // namespace e2e
