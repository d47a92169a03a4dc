#include "group/request_intake.h"

#include "group/item_io.h"

#include <utility>

namespace vetrel {

HRESULT refusal(const OPCGroup& group, const Intake& intake)
{
    const HRESULT connection = intake.connected(group) ? S_OK : CONNECT_E_NOCONNECTION;
    const HRESULT room = group.requests().full() ? CONNECT_E_ADVISELIMIT : S_OK;
    const auto [first, second] = intake.order == CheckOrder::ConnectionFirst
                                     ? std::pair{connection, room}
                                     : std::pair{room, connection};
    return FAILED(first) ? first : second;
}

OPCRequest newRequest(OPCGroup& group, const Intake& intake, DWORD* id)
{
    const DWORD issued = *id = group.requests().nextCancelId();
    if (intake.idUse == RequestId::TransactionId) return OPCRequest(intake.kind, issued);
    OPCRequest request(intake.kind, intake.clientTransactionId);
    request.m_cancelId = issued;
    return request;
}

HRESULT queueRefresh(OPCGroup& group, const Intake& intake, DWORD* id) noexcept
{
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        if (const HRESULT refused = refusal(group, intake); FAILED(refused)) return refused;
        RequestQueue& queue = group.requests();
        queue.reserve();
        queue.append(newRequest(group, intake, id));
        return S_OK;
    });
}

void carryOutWrites(OPCGroup& group, OPCRequest& request, const VARIANT* values)
{
    request.m_results.reserve(request.m_serverHandles.size());
    for (size_t i = 0; i < request.m_serverHandles.size(); ++i) {
        // Looked up again: the host's write notification of the previous item ran in between.
        OPCItem* item = group.findItem(request.m_serverHandles[i]);
        request.m_results.push_back(item ? writeItemValue(*item, values[i]) : OPC_E_INVALIDHANDLE);
    }
}

} // namespace vetrel
