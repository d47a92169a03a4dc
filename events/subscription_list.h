// A server's event subscriptions, in the order they were created. The caller holds the
// runtime lock.
#pragma once

#include "comkit/intrusive_list.h"
#include "events/event_subscription.h"

namespace vetrel {

class SubscriptionList
{
public:
    SubscriptionList() = default;
    SubscriptionList(const SubscriptionList&) = delete;
    SubscriptionList& operator=(const SubscriptionList&) = delete;

    void append(COPCEventSubscription& subscription) noexcept { m_order.pushBack(subscription); }
    void remove(COPCEventSubscription& subscription) noexcept { m_order.erase(subscription); }

    // The calls of every subscription's sink for record, in list order. Throws std::bad_alloc.
    void prepareEvent(const OPCEventRecord& record, ClientDeliveries& due) const
    {
        m_order.forEach(
            [&](COPCEventSubscription& subscription) { subscription.prepareEvent(record, due); });
    }

    // The server is going: every subscription leaves the list and ends.
    void endAll(PendingDisconnects& disconnects) noexcept
    {
        while (COPCEventSubscription* subscription = m_order.front()) {
            m_order.erase(*subscription);
            subscription->detach(disconnects);
        }
    }

private:
    IntrusiveList<COPCEventSubscription, &COPCEventSubscription::m_listHook> m_order;
};

} // namespace vetrel
