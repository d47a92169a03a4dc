// OPCGroupEnumerator: the IEnumUnknown over a snapshot of a server's group list. It keeps the
// groups of its snapshot alive, and each of its references holds one on the server.
#pragma once

#include "comkit/enum_cursor.h"
#include "platform/com_ptr.h"
#include "vetrel/com.h"

#include <atomic>
#include <vector>

namespace vetrel {

class OPCGroup;
class OPCServer;

class OPCGroupEnumerator final : public IEnumUnknown
{
public:
    // An enumerator of server's groups, listed in order, or of none; the runtime lock is held.
    // Throws std::bad_alloc.
    static ComPtr<OPCGroupEnumerator> create(OPCServer& server, bool listGroups);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IUnknown** rgelt,
                                   ULONG* pceltFetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumUnknown** ppEnum) noexcept override;

private:
    explicit OPCGroupEnumerator(OPCServer& server) noexcept : m_server(server) {}
    ~OPCGroupEnumerator() = default;

    OPCServer& m_server;
    std::vector<ComPtr<OPCGroup>> m_snapshot;
    std::atomic<LONG> m_refCount{0};
    // Guarded by the runtime lock.
    EnumCursor m_cursor;
};

} // namespace vetrel
