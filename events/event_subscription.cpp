#include "events/event_subscription.h"

#include "comkit/runtime_lock.h"
#include "events/event_delivery.h"
#include "events/subscription_list.h"

namespace vetrel {

std::array<InterfaceRow, 3> COPCEventSubscription::interfaceRows(REFIID riid) noexcept
{
    IUnknown* container = !m_inert && IsEqualIID(riid, IID_IConnectionPointContainer)
                              ? m_connections.obtain()
                              : nullptr;
    return {{
        {IID_IUnknown, " IID_IUnknown", static_cast<IUnknown*>(this)},
        {IID_IOPCEventSubscriptionMgt, " IID_IOPCEventSubscriptionMgt", &m_mgt},
        {IID_IConnectionPointContainer, " IID_IConnectionPointContainer", container},
    }};
}

HRESULT STDMETHODCALLTYPE COPCEventSubscription::QueryInterface(REFIID riid, void** object) noexcept
{
    const auto rows = interfaceRows(riid);
    return answerQueryInterface("COPCEventSubscription::QueryInterface", rows, riid, object, *this,
                                m_inert);
}

IUnknown* COPCEventSubscription::creatorInterface(REFIID riid) noexcept
{
    for (const InterfaceRow& row : interfaceRows(riid))
        if (IsEqualIID(riid, row.iid)) return row.answer;
    return this;
}

ULONG STDMETHODCALLTYPE COPCEventSubscription::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace("COPCEventSubscription::AddRef(%d)", static_cast<int>(count));
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE COPCEventSubscription::Release() noexcept
{
    // Under the lock, so that this Release and the end of the server agree on which of them
    // ends the subscription.
    auto held = holdRuntimeLock();
    trace("COPCEventSubscription::Release(%d)", static_cast<int>(m_refCount.load()));
    return static_cast<ULONG>(releaseReference());
}

LONG COPCEventSubscription::releaseReference() noexcept
{
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) {
        if (m_list) m_list->remove(*this);
        delete this;
    }
    return count;
}

void COPCEventSubscription::retain() noexcept
{
    m_refCount.fetch_add(1);
}

void COPCEventSubscription::drop() noexcept
{
    auto held = holdRuntimeLock();
    releaseReference();
}

void COPCEventSubscription::prepareEvent(const OPCEventRecord& record, ClientDeliveries& due) const
{
    if (auto sink = m_connections.sink<IOPCEventSink>())
        prepareEventDelivery(std::move(sink), m_clientSubscription, record, due);
}

void COPCEventSubscription::detach(PendingDisconnects& disconnects) noexcept
{
    m_list = nullptr;
    if (m_refCount == 0) {
        delete this;
        return;
    }
    m_inert = true;
    disconnects.add(*this);
}

} // namespace vetrel
