#include "session.h"

#include "comkit/guid_text.h"
#include "hresult_names.h"
#include "platform/task_mem.h"
#include "probe_group.h"
#include "server_id.h"
#include "wide_text.h"
#include "write_plan.h"

namespace opcprobe {

using vetrel::TaskMem;

ProbeFailure::ProbeFailure(const std::string& what, HRESULT result)
    : ProbeFailure(result, what + " failed: " + explainResult(result))
{}

ProbeFailure::ProbeFailure(HRESULT result, const std::string& message)
    : std::runtime_error(message), m_result(result)
{}

ProbeFailure ProbeFailure::stated(const std::string& problem, HRESULT result)
{
    return ProbeFailure(result, explainResult(problem, result));
}

Session::Session(const CLSID& server, const std::string& shownAs)
    : m_joined(CoInitializeEx(nullptr, COINIT_MULTITHREADED))
{
    if (FAILED(m_joined)) throw ProbeFailure("CoInitializeEx", m_joined);
    // In-process servers answer as well, so the probe reaches any kind of OPC server.
    const HRESULT created =
        CoCreateInstance(server, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                         IID_IOPCServer, m_server.putVoid());
    if (FAILED(created)) {
        CoUninitialize();
        const std::string name = shownAs.empty() ? vetrel::formatGuid(server) : shownAs;
        if (isUnregistered(created)) throw ProbeFailure::stated(unregisteredText(name), created);
        throw ProbeFailure("Connecting to " + name, created);
    }
}

Session::~Session()
{
    m_server.reset();
    CoUninitialize();
}

ServerStatus Session::status()
{
    return serverStatus(m_server.get(), "GetStatus");
}

std::vector<ItemValue> Session::read(const std::vector<std::string>& items, OPCDATASOURCE source)
{
    ProbeGroup group(m_server.get());
    const std::vector<AddedItem> added = group.addItems(items);
    std::vector<ItemValue> values(items.size());
    std::vector<OPCHANDLE> handles;
    std::vector<size_t> positions;
    for (size_t i = 0; i < items.size(); ++i) {
        values[i].item = items[i];
        values[i].error = added[i].error;
        if (SUCCEEDED(added[i].error)) {
            handles.push_back(added[i].server);
            positions.push_back(i);
        }
    }
    if (handles.empty()) return values;

    OPCITEMSTATE* rawStates = nullptr;
    HRESULT* rawErrors = nullptr;
    const HRESULT hr = group.syncIO()->Read(source, static_cast<DWORD>(handles.size()),
                                            handles.data(), &rawStates, &rawErrors);
    const auto states = TaskMem<OPCITEMSTATE>::adopt(rawStates, handles.size());
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, handles.size());
    if (FAILED(hr) || !states || !errors) throw ProbeFailure("Read", FAILED(hr) ? hr : E_POINTER);
    for (size_t k = 0; k < handles.size(); ++k) {
        ItemValue& value = values[positions[k]];
        value.error = errors[k];
        value.value = vetrel::Variant::attach(states[k].vDataValue);
        value.quality = states[k].wQuality;
        value.timestamp = states[k].ftTimeStamp;
    }
    return values;
}

std::vector<WriteResult> Session::write(const std::vector<Assignment>& assignments)
{
    std::vector<std::string> items;
    for (const Assignment& assignment : assignments) items.push_back(assignment.item);
    ProbeGroup group(m_server.get());
    const std::vector<AddedItem> added = group.addItems(items);
    std::vector<WriteTarget> targets;
    for (const AddedItem& item : added)
        targets.push_back({item.error, item.canonicalType, item.accessRights});

    WritePlan plan(assignments, targets);
    if (plan.positions().empty()) return plan.finish(nullptr);
    std::vector<OPCHANDLE> handles;
    for (const std::size_t position : plan.positions()) handles.push_back(added[position].server);
    std::vector<VARIANT> values = plan.values();
    HRESULT* rawErrors = nullptr;
    const HRESULT hr = group.syncIO()->Write(static_cast<DWORD>(handles.size()), handles.data(),
                                             values.data(), &rawErrors);
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, handles.size());
    if (FAILED(hr) || !errors) throw ProbeFailure("Write", FAILED(hr) ? hr : E_POINTER);
    return plan.finish(errors.get());
}

std::string serverStateName(OPCSERVERSTATE state)
{
    switch (state) {
    case OPC_STATUS_RUNNING:
        return "running";
    case OPC_STATUS_FAILED:
        return "failed";
    case OPC_STATUS_NOCONFIG:
        return "no configuration";
    case OPC_STATUS_SUSPENDED:
        return "suspended";
    case OPC_STATUS_TEST:
        return "test";
    case OPC_STATUS_COMM_FAULT:
        return "communication fault";
    }
    return "state " + std::to_string(static_cast<int>(state));
}

ServerStatus serverStatus(IOPCServer* server, const std::string& what)
{
    OPCSERVERSTATUS* raw = nullptr;
    const HRESULT hr = server->GetStatus(&raw);
    const auto owned = TaskMem<OPCSERVERSTATUS>::adopt(raw, 1);
    if (FAILED(hr) || !owned) throw ProbeFailure(what, FAILED(hr) ? hr : E_POINTER);
    const auto vendor = TaskMem<OLECHAR>::adopt(reinterpret_cast<OLECHAR*>(raw->szVendorInfo), 1);
    ServerStatus status;
    status.state = raw->dwServerState;
    status.startTime = raw->ftStartTime;
    status.currentTime = raw->ftCurrentTime;
    status.lastUpdateTime = raw->ftLastUpdateTime;
    status.groupCount = raw->dwGroupCount;
    status.bandWidth = raw->dwBandWidth;
    status.majorVersion = raw->wMajorVersion;
    status.minorVersion = raw->wMinorVersion;
    status.buildNumber = raw->wBuildNumber;
    status.vendor = narrow(vendor.get());
    return status;
}

} // namespace opcprobe
