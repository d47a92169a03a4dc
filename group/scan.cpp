#include "comkit/runtime_lock.h"
#include "group/data_callback.h"
#include "group/opc_group.h"

namespace vetrel {

void OPCGroup::scan(DWORD serverRate, bool force, std::vector<OPCItem*>& scratch,
                    ClientDeliveries& due)
{
    assertLockHeld();
    if (!m_state.active) return;
    m_tickAccumulator += serverRate;
    if (m_tickAccumulator < m_state.updateRate && !force) return;
    m_tickAccumulator = 0;
    // The OPC 1.0 path reports first; what it reported is no longer flagged for the 2.0 one.
    if (IOPCDataObject* dataObject = m_dataObject.get()) dataObject->sendDataChange(scratch, due);
    sendDataChange(scratch, due);
}

void OPCGroup::sendDataChange(std::vector<OPCItem*>& scratch, ClientDeliveries& due)
{
    const ConnectionPoint* point = m_connections.point();
    if (!point || !point->enabled()) return;
    auto sink = point->sink<IOPCDataCallback>();
    if (!sink) return;

    collectChangedItems(scratch);
    if (scratch.empty()) return;
    try {
        prepareDataCallback(std::move(sink), m_state.clientHandle, 0, CallbackKind::DataChange,
                            reportMergeKey(m_serverHandle, kDataCallbackChannel), scratch, due);
    } catch (const std::bad_alloc&) {
        // The report is lost like one whose block could not be allocated.
    }
    unflagItems(scratch);
}

} // namespace vetrel
