// The enumerator of a container's connection points. The container has one point, so at most
// one element is ever handed out. Each reference holds one reference on the container, and so
// keeps the owner alive.
#pragma once

#include "comkit/connection_point.h"

#include <atomic>
#include <cstdint>

namespace vetrel {

class ConnectionPointEnumerator final : public IEnumConnectionPoints
{
public:
    // An unreferenced enumerator at the start; null without memory.
    static ConnectionPointEnumerator* create(ConnectionPointContainer& container) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, IConnectionPoint** rgpcn,
                                   ULONG* pcFetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** ppEnum) noexcept override;

private:
    explicit ConnectionPointEnumerator(ConnectionPointContainer& container) noexcept
        : m_container(container)
    {}
    ~ConnectionPointEnumerator() = default;

    ConnectionPointContainer& m_container;
    std::atomic<LONG> m_refCount{0};
    // Skip has no bound: 64 bits never wrap back to the start.
    std::atomic<uint64_t> m_position{0};
};

} // namespace vetrel
