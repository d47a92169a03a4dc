// A group's queue of asynchronous requests: accepted by a client's call, completed on the
// runtime's next tick through the group's callback.
#pragma once

#include "comkit/client_delivery.h"
#include "vetrel/opc.h"

#include <cstddef>
#include <vector>

namespace vetrel {

class OPCGroup;

enum class RequestKind : DWORD
{
    Read = 1,
    Write = 2,
    Refresh = 3,
};

struct OPCRequest
{
    // Every other field starts zero or empty.
    OPCRequest(RequestKind kind, DWORD transactionId) noexcept
        : m_kind(kind), m_transactionId(transactionId)
    {}

    RequestKind m_kind;
    bool m_cancelled = false;
    // Handed back to the client in the completion.
    DWORD m_transactionId;
    // 0 for a request that no cancel id names.
    DWORD m_cancelId = 0;
    // Those of the call, in call order, valid or not.
    std::vector<OPCHANDLE> m_serverHandles;
    // Writes only: the outcome of each item's write, in call order.
    std::vector<HRESULT> m_results;
};

// The cancel id that follows last: 0 is never handed out, so it means "none".
constexpr DWORD followingCancelId(DWORD last) noexcept
{
    const DWORD next = last + 1;
    return next == 0 ? 1 : next;
}

// First in, first out. The caller holds the runtime lock.
class RequestQueue
{
public:
    static constexpr std::size_t kLimit = 10;

    RequestQueue() = default;
    RequestQueue(const RequestQueue&) = delete;
    RequestQueue& operator=(const RequestQueue&) = delete;

    // A client may not queue more.
    bool full() const noexcept { return m_requests.size() >= kLimit; }
    DWORD nextCancelId() noexcept { return m_lastCancelId = followingCancelId(m_lastCancelId); }

    // Room for one more request, so that an append that follows cannot fail: a write is
    // carried out before its request is queued. Throws std::bad_alloc.
    void reserve() { m_requests.reserve(kLimit); }
    // Throws std::bad_alloc unless reserve() came first.
    void append(OPCRequest request);
    // Marks the first request that cancelId names; false when none does.
    bool cancel(DWORD cancelId) noexcept;
    // Marks the first request with transactionId, the way OPC 1.0 clients name theirs; false
    // when none has it.
    bool cancelTransaction(DWORD transactionId) noexcept;

    // Hands every request to complete, in order, then empties the queue.
    template <typename Complete> void drain(Complete&& complete) noexcept
    {
        for (const OPCRequest& request : m_requests) complete(request);
        m_requests.clear();
    }

private:
    std::vector<OPCRequest> m_requests;
    DWORD m_lastCancelId = 0;
};

// The tick's work on a group's queue, before the group is scanned: every request is
// completed (or its cancellation reported) on the advised callback, then dropped.
void drainRequests(OPCGroup& group, ClientDeliveries& due) noexcept;

} // namespace vetrel
