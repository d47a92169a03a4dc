// IOPCEnumString: the IEnumString of browsing, over a snapshot of names taken when it is
// created; tags created or removed later neither appear nor disappear in it. It holds no
// reference on the server that made it.
#pragma once

#include "comkit/enum_cursor.h"
#include "platform/com_ptr.h"
#include "vetrel/com.h"

#include <atomic>
#include <string>
#include <vector>

namespace vetrel {

class IOPCEnumString final : public IEnumString
{
public:
    // A new enumerator with an empty snapshot and one reference, for the caller to fill.
    // Throws std::bad_alloc.
    static ComPtr<IOPCEnumString> create();

    // The names it hands out, in order; filled only before it is handed to a client.
    std::vector<std::string>& snapshot() noexcept { return m_snapshot; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, LPOLESTR* rgelt,
                                   ULONG* pceltFetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumString** ppEnum) noexcept override;

private:
    IOPCEnumString() = default;
    ~IOPCEnumString() = default;

    std::vector<std::string> m_snapshot;
    std::atomic<LONG> m_refCount{0};
    // Guarded by the runtime lock, like the positions of the other enumerators.
    EnumCursor m_cursor;
};

} // namespace vetrel
