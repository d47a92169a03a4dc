// The one connection point of a server, group or event subscription, and the container a
// client finds it through. Neither counts references: both forward to the owner, so they live
// exactly as long as it does.
#pragma once

#include "comkit/connection_traces.h"
#include "comkit/on_demand.h"
#include "platform/com_ptr.h"

#include <atomic>
#include <mutex>

namespace vetrel {

class ConnectionPointContainer;

class ConnectionPoint final : public IConnectionPoint
{
public:
    ConnectionPoint(ConnectionPointContainer& container, const ConnectionTraces& traces) noexcept
        : m_container(container), m_traces(traces)
    {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    // The client's sink goes once the runtime lock is released.
    ~ConnectionPoint();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) noexcept override;
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** ppCPC) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) noexcept override;

    // The advised sink with a reference of the caller's own, which keeps it alive through a
    // callback even when the client unadvises meanwhile; empty when nothing is advised.
    template <typename Sink> ComPtr<Sink> sink() const
    {
        std::lock_guard held(m_sinkLock);
        // The stored pointer is the sink interface the client handed out for sinkIid.
        return ComPtr<Sink>(reinterpret_cast<Sink*>(m_sink.get()));
    }
    bool connected() const;

    // Gates the data-change reports of a group; TRUE until the client says otherwise.
    // The flag as the client set it: GetEnable hands back the very BOOL SetEnable was given.
    BOOL enabled() const noexcept { return m_enabled.load(); }
    void setEnabled(BOOL enabled) noexcept { m_enabled = enabled; }

private:
    ConnectionPointContainer& m_container;
    const ConnectionTraces& m_traces;
    // Advise and Unadvise may race on client threads: the sink is tested and changed under it.
    mutable std::mutex m_sinkLock;
    ComPtr<IUnknown> m_sink;
    std::atomic<BOOL> m_enabled{TRUE};
};

class ConnectionPointContainer final : public IConnectionPointContainer
{
public:
    // owner: the object whose references the container and its point share.
    ConnectionPointContainer(IUnknown& owner, const ConnectionTraces& traces) noexcept
        : m_owner(owner), m_traces(traces), m_point(*this, traces)
    {}
    ConnectionPointContainer(const ConnectionPointContainer&) = delete;
    ConnectionPointContainer& operator=(const ConnectionPointContainer&) = delete;
    ~ConnectionPointContainer() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE
    EnumConnectionPoints(IEnumConnectionPoints** ppEnum) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                  IConnectionPoint** ppCP) noexcept override;

    ConnectionPoint& point() noexcept { return m_point; }
    const ConnectionTraces& traces() const noexcept { return m_traces; }

private:
    IUnknown& m_owner;
    const ConnectionTraces& m_traces;
    ConnectionPoint m_point;
};

// The owner's side: the container, made at the client's first request for it and kept until
// the owner goes.
class ConnectionPointHome
{
public:
    ConnectionPointHome(IUnknown& owner, const ConnectionTraces& traces) noexcept
        : m_owner(owner), m_traces(traces)
    {}

    // The container, made now if it does not exist yet; null without memory.
    ConnectionPointContainer* obtain() noexcept { return m_container.obtain(m_owner, m_traces); }
    // The point, or null while no client has asked for the container.
    ConnectionPoint* point() const noexcept
    {
        ConnectionPointContainer* container = m_container.get();
        return container ? &container->point() : nullptr;
    }
    // Cuts off the remote clients of the container and the point, which are COM objects of
    // their own; the runtime lock is not held.
    void disconnect() noexcept;
    template <typename Sink> ComPtr<Sink> sink() const
    {
        const ConnectionPoint* found = point();
        return found ? found->sink<Sink>() : ComPtr<Sink>();
    }

private:
    IUnknown& m_owner;
    const ConnectionTraces& m_traces;
    OnDemand<ConnectionPointContainer> m_container;
};

} // namespace vetrel
