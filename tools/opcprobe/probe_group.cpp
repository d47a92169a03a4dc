#include "probe_group.h"

#include "platform/task_mem.h"
#include "session.h"
#include "wide_text.h"

namespace opcprobe {

using vetrel::TaskMem;

ProbeGroup::ProbeGroup(IOPCServer* server, const GroupSettings& settings) : m_server(server)
{
    // An empty name lets the server choose one, so several probes never collide.
    const OLECHAR noName[] = {0};
    FLOAT deadband = settings.deadband.value_or(0.0f);
    vetrel::ComPtr<IUnknown> group;
    const HRESULT added =
        m_server->AddGroup(reinterpret_cast<LPCWSTR>(noName), settings.active ? TRUE : FALSE,
                           settings.updateRate, 1, nullptr, settings.deadband ? &deadband : nullptr,
                           0, &m_handle, &m_revisedRate, IID_IOPCItemMgt, group.put());
    if (FAILED(added)) throw ProbeFailure("AddGroup", added);
    m_items = group.as<IOPCItemMgt>(IID_IOPCItemMgt);
    m_syncIO = group.as<IOPCSyncIO>(IID_IOPCSyncIO);
    if (!m_items || !m_syncIO) {
        m_server->RemoveGroup(m_handle, TRUE);
        throw ProbeFailure("the group's item and sync I/O interfaces", E_NOINTERFACE);
    }
}

ProbeGroup::~ProbeGroup()
{
    m_items.reset();
    m_syncIO.reset();
    m_server->RemoveGroup(m_handle, TRUE);
}

std::vector<AddedItem> ProbeGroup::addItems(const std::vector<std::string>& names)
{
    std::vector<std::basic_string<OLECHAR>> ids;
    ids.reserve(names.size());
    for (const std::string& name : names) ids.push_back(widen(name));
    const OLECHAR noPath[] = {0};
    std::vector<OPCITEMDEF> definitions(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        OPCITEMDEF& definition = definitions[i];
        definition.szAccessPath = reinterpret_cast<LPWSTR>(const_cast<OLECHAR*>(noPath));
        definition.szItemID = reinterpret_cast<LPWSTR>(ids[i].data());
        definition.bActive = TRUE;
        definition.hClient = static_cast<OPCHANDLE>(i);
        definition.vtRequestedDataType = VT_EMPTY;
    }
    OPCITEMRESULT* rawResults = nullptr;
    HRESULT* rawErrors = nullptr;
    const HRESULT added = m_items->AddItems(static_cast<DWORD>(names.size()), definitions.data(),
                                            &rawResults, &rawErrors);
    const auto results = TaskMem<OPCITEMRESULT>::adopt(rawResults, names.size());
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, names.size());
    if (FAILED(added) || !results || !errors) throw ProbeFailure("AddItems", added);

    std::vector<AddedItem> items(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        CoTaskMemFree(results[i].pBlob);
        items[i].error = errors[i];
        items[i].server = results[i].hServer;
        items[i].canonicalType = results[i].vtCanonicalDataType;
        items[i].accessRights = results[i].dwAccessRights;
    }
    return items;
}

} // namespace opcprobe
