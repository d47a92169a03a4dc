#include "group/request_queue.h"

#include "group/data_callback.h"
#include "group/opc_group.h"

#include <algorithm>

namespace vetrel {
namespace {

// The items the request names that the group still has, in the request's order.
std::vector<OPCItem*> presentItems(const OPCGroup& group, const OPCRequest& request)
{
    std::vector<OPCItem*> items;
    for (const OPCHANDLE handle : request.m_serverHandles)
        if (OPCItem* item = group.findItem(handle)) items.push_back(item);
    return items;
}

std::vector<OPCItem*> activeItems(const OPCGroup& group)
{
    std::vector<OPCItem*> items;
    group.items().forEach([&items](OPCItem& item) {
        if (item.m_active) items.push_back(&item);
    });
    return items;
}

// One client handle per written item; a handle whose item was removed meanwhile stands for
// itself, so the client still sees one entry per write.
std::vector<OPCHANDLE> writtenClientHandles(const OPCGroup& group, const OPCRequest& request)
{
    std::vector<OPCHANDLE> handles(request.m_serverHandles.size());
    std::transform(request.m_serverHandles.begin(), request.m_serverHandles.end(), handles.begin(),
                   [&group](OPCHANDLE serverHandle) {
                       const OPCItem* item = group.findItem(serverHandle);
                       return item ? item->m_clientHandle : serverHandle;
                   });
    return handles;
}

// Throws std::bad_alloc.
void complete(const OPCGroup& group, const OPCRequest& request,
              const ComPtr<IOPCDataCallback>& sink, ClientDeliveries& due)
{
    const OPCHANDLE groupHandle = group.state().clientHandle;
    const DWORD transactionId = request.m_transactionId;
    // A cancelled write has been carried out all the same: only its completion is replaced.
    if (request.m_cancelled) {
        prepareCancelComplete(sink, groupHandle, transactionId, due);
        return;
    }
    // Reads and refreshes carry the values as they are now; with no item to carry, the client
    // hears nothing.
    const auto sendValues = [&](CallbackKind kind, const std::vector<OPCItem*>& items) {
        if (!items.empty())
            prepareDataCallback(sink, groupHandle, transactionId, kind, 0, items, due);
    };
    switch (request.m_kind) {
    case RequestKind::Read:
        sendValues(CallbackKind::ReadComplete, presentItems(group, request));
        return;
    case RequestKind::Refresh:
        // Every active item, changed or not; the changed flags are left for the next report.
        sendValues(CallbackKind::DataChange, activeItems(group));
        return;
    case RequestKind::Write:
        prepareWriteComplete(sink, groupHandle, transactionId, writtenClientHandles(group, request),
                             request.m_results, due);
        return;
    }
}

// The OPC 1.0 answer: stream blocks to the data object's sinks. A cancelled request gets none.
// Throws std::bad_alloc.
void completeStreams(const OPCGroup& group, IOPCDataObject& dataObject, const OPCRequest& request,
                     ClientDeliveries& due)
{
    if (request.m_cancelled) return;
    const DWORD transactionId = request.m_transactionId;
    const auto sendValues = [&](const std::vector<OPCItem*>& items) {
        if (!items.empty()) dataObject.prepareItemStreams(items, transactionId, due);
    };
    switch (request.m_kind) {
    case RequestKind::Read:
        sendValues(presentItems(group, request));
        return;
    case RequestKind::Refresh:
        sendValues(activeItems(group));
        return;
    case RequestKind::Write:
        dataObject.prepareWriteComplete(transactionId, writtenClientHandles(group, request),
                                        request.m_results, due);
        return;
    }
}

} // namespace

void RequestQueue::append(OPCRequest request)
{
    reserve();
    m_requests.push_back(std::move(request));
}

namespace {

template <typename Matches>
bool markCancelled(std::vector<OPCRequest>& requests, Matches&& matches) noexcept
{
    const auto found = std::find_if(requests.begin(), requests.end(), matches);
    if (found == requests.end()) return false;
    found->m_cancelled = true;
    return true;
}

} // namespace

bool RequestQueue::cancel(DWORD cancelId) noexcept
{
    // Requests that no cancel id names carry 0, which is never handed out: 0 cancels nothing.
    return cancelId != 0 && markCancelled(m_requests, [cancelId](const OPCRequest& request) {
               return request.m_cancelId == cancelId;
           });
}

bool RequestQueue::cancelTransaction(DWORD transactionId) noexcept
{
    return markCancelled(m_requests, [transactionId](const OPCRequest& request) {
        return request.m_transactionId == transactionId;
    });
}

void drainRequests(OPCGroup& group, ClientDeliveries& due) noexcept
{
    // Without an advised callback the requests go unanswered: the client has nowhere to hear.
    const ComPtr<IOPCDataCallback> sink = group.connections().sink<IOPCDataCallback>();
    IOPCDataObject* dataObject = group.dataObject();
    // Each request is answered on every connection the client has, whichever interface
    // queued it: the OPC 1.0 streams first, then the callback.
    group.requests().drain([&](const OPCRequest& request) {
        try {
            if (dataObject) completeStreams(group, *dataObject, request, due);
            if (sink) complete(group, request, sink, due);
        } catch (const std::bad_alloc&) {
            // That completion is lost, like one whose callback block could not be allocated.
        }
    });
}

} // namespace vetrel
