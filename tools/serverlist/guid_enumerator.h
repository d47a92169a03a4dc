// The enumerator of the classes EnumClassesOfCategories found: IEnumGUID for IOPCServerList,
// IOPCEnumGUID for IOPCServerList2, one object with the same snapshot behind both.
#pragma once

#include "comkit/enum_cursor.h"
#include "platform/com_ptr.h"
#include "served_object.h"
#include "vetrel/opc.h"

#include <mutex>
#include <vector>

namespace serverlist {

class GuidEnumerator final : public ServedObject<IEnumGUID, IOPCEnumGUID>
{
public:
    // One reference, for the caller. Throws std::bad_alloc.
    static vetrel::ComPtr<GuidEnumerator> create(std::vector<GUID> snapshot);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumGUID** ppenum) noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IOPCEnumGUID** ppenum) noexcept override;

private:
    GuidEnumerator(std::vector<GUID> snapshot, vetrel::EnumCursor cursor) noexcept;

    template <typename Interface> HRESULT cloneAs(Interface** ppenum) noexcept;

    const std::vector<GUID> m_snapshot;
    // Clients of other threads may share one enumerator: its position moves under the lock.
    std::mutex m_lock;
    vetrel::EnumCursor m_cursor;
};

} // namespace serverlist
