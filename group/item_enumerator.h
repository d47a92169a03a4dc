// IOPCItemEnumerator: the IEnumOPCItemAttributes over a snapshot of a group's items, taken when
// it is created; later changes to the group do not reach it.
#pragma once

#include "comkit/enum_cursor.h"
#include "vetrel/opc.h"

#include <atomic>
#include <string>
#include <vector>

namespace vetrel {

class ItemList;

class IOPCItemEnumerator final : public IEnumOPCItemAttributes
{
public:
    // The attributes of one item, as the snapshot keeps them.
    struct Attributes
    {
        std::string accessPath;
        std::string itemID;
        BOOL active;
        OPCHANDLE clientHandle;
        OPCHANDLE serverHandle;
        DWORD accessRights;
        VARTYPE requestedDataType;
        VARTYPE canonicalDataType;
    };

    // An enumerator of items, answering riid into object; the runtime lock is held. An item
    // that does not fit in memory is left out of the snapshot.
    static HRESULT create(const ItemList& items, REFIID riid, IUnknown** object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray,
                                   ULONG* pceltFetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE
    Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) noexcept override;

private:
    IOPCItemEnumerator(std::vector<Attributes> snapshot, size_t position) noexcept
        : m_snapshot(std::move(snapshot)), m_cursor(position)
    {}
    ~IOPCItemEnumerator() = default;

    std::vector<Attributes> m_snapshot;
    std::atomic<LONG> m_refCount{0};
    // Guarded by the runtime lock.
    EnumCursor m_cursor;
};

} // namespace vetrel
