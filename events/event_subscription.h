// COPCEventSubscription: one event subscription of a client, the COM identity behind its
// IOPCEventSubscriptionMgt and the connection point of its IOPCEventSink.
#pragma once

#include "comkit/client_delivery.h"
#include "comkit/connection_point.h"
#include "comkit/intrusive_list.h"
#include "comkit/pending_disconnects.h"
#include "comkit/query_interface.h"
#include "events/event_record.h"
#include "events/subscription_mgt.h"

#include <array>
#include <atomic>

namespace vetrel {

class SubscriptionList;

class COPCEventSubscription final : public IUnknown, public Detachable
{
public:
    // Events are neither buffered nor batched: each goes at once, alone.
    static constexpr DWORD kRevisedBufferTime = 0;
    static constexpr DWORD kRevisedMaxSize = 1;

    // A subscription of the server whose list is given, not yet listed and not yet referenced.
    COPCEventSubscription(SubscriptionList& list, OPCHANDLE clientSubscription) noexcept
        : m_list(&list), m_clientSubscription(clientSubscription)
    {}
    COPCEventSubscription(const COPCEventSubscription&) = delete;
    COPCEventSubscription& operator=(const COPCEventSubscription&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // Ended with its server: every call answers an error.
    bool inert() const noexcept { return m_inert; }

    // What the subscription's creator receives for riid, without a reference: the interface
    // asked for when the subscription has it, else its identity. Null when the container
    // cannot be made.
    IUnknown* creatorInterface(REFIID riid) noexcept;

    // Everything below: the caller holds the runtime lock.

    // The call of the advised sink for record; nothing while no sink is advised. Throws
    // std::bad_alloc.
    void prepareEvent(const OPCEventRecord& record, ClientDeliveries& due) const;

    // The server is going and has taken the subscription out of its list. An unreferenced
    // subscription goes at once; a referenced one turns inert and goes at its last Release.
    void detach(PendingDisconnects& disconnects) noexcept;

    // Place in the server's subscription list.
    ListHook<COPCEventSubscription> m_listHook;

private:
    ~COPCEventSubscription() = default;

    IUnknown* identity() noexcept override { return this; }
    void disconnectParts() noexcept override { m_connections.disconnect(); }
    void retain() noexcept override;
    void drop() noexcept override;
    // Takes one reference off; at the last one the subscription leaves its server's list, if
    // it is still in it, and goes.
    LONG releaseReference() noexcept;
    // The interfaces the subscription answers, in the order they are compared. The container
    // is made when riid asks for it.
    std::array<InterfaceRow, 3> interfaceRows(REFIID riid) noexcept;

    // The server's list while the subscription is in it.
    SubscriptionList* m_list;
    std::atomic<LONG> m_refCount{0};
    OPCHANDLE m_clientSubscription;
    std::atomic<bool> m_inert{false};
    IOPCEventSubscriptionMgtObject m_mgt{*this};
    ConnectionPointHome m_connections{*this, kEventConnectionTraces};
};

} // namespace vetrel
