#include "group/request_intake.h"

#include "group/item_io.h"

#include <utility>

namespace vetrel {

namespace {

bool callbackAdvised(const OPCGroup& group)
{
    const ConnectionPoint* point = group.connections().point();
    return point && point->connected();
}

} // namespace

Intake callbackIntake(RequestKind kind, CheckOrder order, DWORD transactionId) noexcept
{
    return {kind, order, callbackAdvised, RequestId::CancelId, transactionId};
}

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
    carryOutWritesWith(group, request, [values](OPCItem& item, size_t i) {
        return writeItemValue(item, values[i]);
    });
}

} // namespace vetrel
