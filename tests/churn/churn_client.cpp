// A client that comes and goes: it connects to the example host, adds a group with items, reads
// and writes them, removes the group and lets go of the server, and again, for SECONDS, printing
// the cycles done as it goes:
//
//   churn_client SECONDS
#include "churn_cycles.h"
#include "example_tags.h"
#include "host_process.h"
#include "opc_client.h"

namespace {

constexpr std::string_view kWritten = "Example.Types.I4";

// Adds a group with items, reads and writes them, and lets go of the group's interfaces.
HRESULT useGroup(IOPCServer* server, LONG value, OPCHANDLE& group)
{
    HRESULT hr = S_OK;
    const e2e::AddedGroup added = e2e::addGroup(server, "", 1000, 1);
    if (FAILED(added.result)) return added.result;
    group = added.handle;
    const auto items =
        e2e::addItems(added.items.get(), {example::kTankLevel, example::kLineCount, kWritten}, &hr);
    if (FAILED(hr)) return hr;
    if (items.size() != 3) return E_UNEXPECTED;
    std::vector<OPCHANDLE> handles;
    for (const e2e::AddedItem& item : items) handles.push_back(item.handle);
    const auto io = added.items.as<IOPCSyncIO>(IID_IOPCSyncIO);
    if (!io) return E_NOINTERFACE;
    e2e::readItems(io.get(), handles, &hr);
    if (FAILED(hr)) return hr;
    VARIANT written;
    VariantInit(&written);
    written.vt = VT_I4;
    written.lVal = value;
    e2e::writeItems(io.get(), {handles.back()}, {written}, &hr);
    return hr;
}

HRESULT runCycle(LONG value)
{
    HRESULT hr = S_OK;
    const auto server = e2e::activateHost<IOPCServer>(IID_IOPCServer, &hr);
    if (FAILED(hr)) return hr;
    OPCHANDLE group = 0;
    hr = useGroup(server.get(), value, group);
    // A group that was added goes again whatever failed in it.
    const HRESULT removed = group ? server->RemoveGroup(group, FALSE) : S_OK;
    return FAILED(hr) ? hr : removed;
}

} // namespace

int main(int argc, char** argv)
{
    const e2e::Apartment apartment;
    return runChurnCycles(argc, argv, runCycle);
}
