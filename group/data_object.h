// The OPC 1.0 data object of a group: clients advise IAdviseSink for the three stream formats
// and receive data changes, read and refresh results and write results as blocks of global
// memory. It is made at the group's first QueryInterface for IDataObject and lives with it.
#pragma once

#include "comkit/client_delivery.h"
#include "comkit/interface_object.h"
#include "group/opc_item.h"
#include "platform/com_ptr.h"
#include "platform/global_memory.h"

#include <span>
#include <vector>

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kDataObjectTraces{
    "IOPCDataObject::AddRef() [defered to OPCGroup]",
    "IOPCDataObject::Release() [defered to OPCGroup]",
    "IOPCDataObject::QueryInterface() [defered to OPCGroup]",
};

class IOPCDataObject final : public InterfaceObject<IDataObject, OPCGroup, kDataObjectTraces>
{
public:
    // Registers the three stream formats.
    explicit IOPCDataObject(OPCGroup& group) noexcept;
    // The client's sinks go once the runtime lock is released.
    ~IOPCDataObject();

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pformatetcIn,
                                      STGMEDIUM* pmedium) noexcept override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* pformatetc,
                                          STGMEDIUM* pmedium) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pformatetc) noexcept override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* pformatectIn,
                                                    FORMATETC* pformatetcOut) noexcept override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium,
                                      BOOL fRelease) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection,
                                            IEnumFORMATETC** ppenumFormatEtc) noexcept override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                      DWORD* pdwConnection) noexcept override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD dwConnection) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** ppenumAdvise) noexcept override;

    // Everything below: the caller holds the runtime lock.

    // A data or data-time sink is advised: the data path of this group is the 1.0 one.
    bool hasDataAdvise() const noexcept;
    bool hasWriteAdvise() const noexcept;

    // The report of a due scan: the group's changed items to the data-time sink, then to the
    // data sink, their flags cleared. Without either sink the flags stay for the group's
    // IOPCDataCallback. Throws std::bad_alloc.
    void sendDataChange(std::vector<OPCItem*>& scratch, ClientDeliveries& due);
    // A read or refresh result: items to the data-time sink, then to the data sink.
    void prepareItemStreams(std::span<OPCItem* const> items, DWORD transactionId,
                            ClientDeliveries& due);
    // A write result to the write-complete sink; nothing while none is advised.
    void prepareWriteComplete(DWORD transactionId, std::span<const OPCHANDLE> clientHandles,
                              std::span<const HRESULT> results, ClientDeliveries& due);

private:
    struct Slot
    {
        CLIPFORMAT format;
        ComPtr<IAdviseSink> sink;
    };
    // The slot of a format number, or null for another format.
    Slot* slotOf(DWORD format) noexcept;

    // Guarded by the runtime lock: the timer thread reads them while it sends.
    Slot m_data;
    Slot m_dataTime;
    Slot m_writeComplete;
};

} // namespace vetrel
