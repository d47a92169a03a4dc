#include "group/data_object.h"

#include "group/opc_group.h"
#include "group/stream_blocks.h"
#include "runtime/trace.h"
#include "runtime/vetrel_app.h"

namespace vetrel {
namespace {

using platform::ComPtr;

CLIPFORMAT registeredFormat(const char* name) noexcept
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name));
}

// One block to one sink, freed when the call returns.
class StreamDelivery final : public ClientDelivery
{
public:
    StreamDelivery(ComPtr<IAdviseSink> sink, CLIPFORMAT format,
                   platform::GlobalMemory block) noexcept
        : m_sink(std::move(sink)), m_format(format), m_block(std::move(block))
    {}

    void send() noexcept override
    {
        FORMATETC format{m_format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = m_block.get();
        medium.pUnkForRelease = nullptr;
        m_sink->OnDataChange(&format, &medium);
    }

private:
    ComPtr<IAdviseSink> m_sink;
    CLIPFORMAT m_format;
    platform::GlobalMemory m_block;
};

HRESULT notImplemented(const char* text) noexcept
{
    trace("%s", text);
    return E_NOTIMPL;
}

} // namespace

IOPCDataObject::IOPCDataObject(OPCGroup& group) noexcept
    : InterfaceObject(group), m_data{registeredFormat("OPCSTMFORMATDATA"), {}},
      m_dataTime{registeredFormat("OPCSTMFORMATDATATIME"), {}},
      m_writeComplete{registeredFormat("OPCSTMFORMATWRITECOMPLETE"), {}}
{}

HRESULT STDMETHODCALLTYPE IOPCDataObject::GetData(FORMATETC*, STGMEDIUM*) noexcept
{
    return notImplemented("IOPCDataObject::GetData");
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) noexcept
{
    return notImplemented("IOPCDataObject::GetDataHere");
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::QueryGetData(FORMATETC*) noexcept
{
    return notImplemented("IOPCDataObject::QueryGetData");
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) noexcept
{
    return notImplemented("IOPCDataObject::GetCanonicalFormatEtc");
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) noexcept
{
    return notImplemented("IOPCDataObject::SetData");
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC**) noexcept
{
    return notImplemented("IOPCDataObject::EnumFormatEtc");
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::EnumDAdvise(IEnumSTATDATA**) noexcept
{
    return notImplemented("IOPCDataObject::EnumDAdvise");
}

void IOPCDataObject::Slot::send(platform::GlobalMemory block, ClientDeliveries& due) const
{
    // Without memory for the block nothing is sent.
    if (block) due.push_back(std::make_unique<StreamDelivery>(sink, format, std::move(block)));
}

IOPCDataObject::Slot* IOPCDataObject::slotOf(DWORD format) noexcept
{
    for (Slot* slot : {&m_data, &m_dataTime, &m_writeComplete})
        if (format == slot->format) return slot;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::DAdvise(FORMATETC* pformatetc, DWORD,
                                                  IAdviseSink* pAdvSink,
                                                  DWORD* pdwConnection) noexcept
{
    trace("IOPCDataObject::DAdvise");
    if (!pformatetc || !pAdvSink || !pdwConnection) return E_POINTER;
    const DWORD format = pformatetc->cfFormat;
    {
        auto held = CVetrelApp::instance().lock();
        const Slot* slot = slotOf(format);
        if (!slot) return DV_E_FORMATETC;
        if (slot->sink) return CONNECT_E_ADVISELIMIT;
    }
    // The client's QueryInterface may be a call into another process: not under the lock.
    ComPtr<IAdviseSink> sink;
    const HRESULT hr = pAdvSink->QueryInterface(IID_IAdviseSink, sink.putVoid());
    if (FAILED(hr)) return hr;
    auto held = CVetrelApp::instance().lock();
    Slot* slot = slotOf(format);
    // Another DAdvise won meanwhile.
    if (slot->sink) return CONNECT_E_ADVISELIMIT;
    slot->sink = std::move(sink);
    *pdwConnection = format;
    return hr;
}

HRESULT STDMETHODCALLTYPE IOPCDataObject::DUnadvise(DWORD dwConnection) noexcept
{
    trace("IOPCDataObject::DUnadvise");
    ComPtr<IAdviseSink> released;
    {
        auto held = CVetrelApp::instance().lock();
        Slot* slot = slotOf(dwConnection);
        if (!slot || !slot->sink) return OLE_E_NOCONNECTION;
        released = std::move(slot->sink);
    }
    // The client's Release runs here, outside the lock.
    return S_OK;
}

bool IOPCDataObject::hasDataAdvise() const noexcept
{
    return m_data.sink || m_dataTime.sink;
}

bool IOPCDataObject::hasWriteAdvise() const noexcept
{
    return static_cast<bool>(m_writeComplete.sink);
}

void IOPCDataObject::sendDataChange(std::vector<OPCItem*>& scratch, ClientDeliveries& due)
{
    if (!hasDataAdvise()) return;
    owner().collectChangedItems(scratch);
    if (scratch.empty()) return;
    try {
        prepareItemStreams(scratch, 0, due);
    } catch (const std::bad_alloc&) {
        // The report is lost like one whose block could not be allocated.
    }
    for (OPCItem* item : scratch) item->m_changed = false;
}

void IOPCDataObject::prepareItemStreams(std::span<OPCItem* const> items, DWORD transactionId,
                                        ClientDeliveries& due)
{
    if (!hasDataAdvise()) return;
    const StreamValues values(items);
    const OPCHANDLE groupHandle = owner().state().clientHandle;
    if (m_dataTime.sink) m_dataTime.send(values.block(groupHandle, transactionId, true), due);
    if (m_data.sink) m_data.send(values.block(groupHandle, transactionId, false), due);
}

void IOPCDataObject::prepareWriteComplete(DWORD transactionId,
                                          std::span<const OPCHANDLE> clientHandles,
                                          std::span<const HRESULT> results, ClientDeliveries& due)
{
    if (!hasWriteAdvise()) return;
    m_writeComplete.send(
        writeCompleteBlock(owner().state().clientHandle, transactionId, clientHandles, results),
        due);
}

} // namespace vetrel
