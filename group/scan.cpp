#include "comkit/runtime_lock.h"
#include "group/data_callback.h"
#include "group/opc_group.h"

#include <algorithm>
#include <limits>

namespace vetrel {

void OPCGroup::scan(DWORD serverRate, bool force, std::vector<OPCItem*>& scratch,
                    ClientDeliveries& due)
{
    assertLockHeld();
    // The keep-alive time runs whether the group is active or not: its client waits all the same.
    if (m_keepAlive != 0)
        m_sinceDataChange +=
            std::min(serverRate, std::numeric_limits<DWORD>::max() - m_sinceDataChange);
    if (m_state.active) {
        m_tickAccumulator += serverRate;
        if (m_tickAccumulator >= m_state.updateRate || force) {
            m_tickAccumulator = 0;
            // The OPC 1.0 path reports first; what it reported is no longer flagged for the 2.0
            // one.
            if (IOPCDataObject* dataObject = m_dataObject.get())
                dataObject->sendDataChange(scratch, due);
            sendDataChange(scratch, due);
        }
    }
    sendKeepAlive(due);
}

void OPCGroup::sendDataChange(std::vector<OPCItem*>& scratch, ClientDeliveries& due)
{
    const ConnectionPoint* point = m_connections.point();
    if (!point || !point->enabled()) return;
    auto sink = point->sink<IOPCDataCallback>();
    if (!sink) return;

    collectChangedItems(scratch);
    if (scratch.empty()) return;
    m_sinceDataChange = 0;
    try {
        prepareDataCallback(std::move(sink), m_state.clientHandle, 0, CallbackKind::DataChange,
                            reportMergeKey(m_serverHandle, kDataCallbackChannel), scratch, due);
    } catch (const std::bad_alloc&) {
        // The report is lost like one whose block could not be allocated.
    }
    unflagItems(scratch);
}

void OPCGroup::sendKeepAlive(ClientDeliveries& due)
{
    if (m_keepAlive == 0 || m_sinceDataChange < m_keepAlive) return;
    const ConnectionPoint* point = m_connections.point();
    if (!point || !point->enabled()) return;
    auto sink = point->sink<IOPCDataCallback>();
    if (!sink) return;
    try {
        // Merged into a report still waiting for the client, it adds nothing to it.
        prepareDataCallback(std::move(sink), m_state.clientHandle, 0, CallbackKind::DataChange,
                            reportMergeKey(m_serverHandle, kDataCallbackChannel), {}, due);
        m_sinceDataChange = 0;
    } catch (const std::bad_alloc&) {
        // The next tick tries again.
    }
}

} // namespace vetrel
