#include "group/data_object.h"

#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "group/opc_group.h"
#include "group/stream_blocks.h"

#include <memory>

namespace vetrel {
namespace {

CLIPFORMAT registeredFormat(const char* name) noexcept
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name));
}

// One block to one sink, freed when the call returns. The sink answers nothing.
HRESULT adviseBlock(IAdviseSink& sink, CLIPFORMAT format, HGLOBAL block) noexcept
{
    FORMATETC formatEtc{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    medium.pUnkForRelease = nullptr;
    sink.OnDataChange(&formatEtc, &medium);
    return S_OK;
}

constexpr const char* kAdviseMethod = "IAdviseSink::OnDataChange";

// A block built before the call: the write results.
class StreamDelivery final : public ClientDelivery
{
public:
    StreamDelivery(ComPtr<IAdviseSink> sink, CLIPFORMAT format, GlobalMemory block) noexcept
        : m_sink(std::move(sink)), m_format(format), m_block(std::move(block))
    {}

    const char* method() const noexcept override { return kAdviseMethod; }
    HRESULT send() noexcept override { return adviseBlock(*m_sink.get(), m_format, m_block.get()); }

private:
    ComPtr<IAdviseSink> m_sink;
    CLIPFORMAT m_format;
    GlobalMemory m_block;
};

// Item values, whose block is built when the call is made: a data-change report that waits
// may take a newer one into itself until then. The data and data-time calls of one report
// share its values.
class StreamValuesDelivery final : public ClientDelivery
{
public:
    StreamValuesDelivery(ComPtr<IAdviseSink> sink, CLIPFORMAT format, bool withTimes,
                         OPCHANDLE groupHandle, DWORD transactionId, std::uint64_t mergeKey,
                         std::shared_ptr<const StreamValues> values) noexcept
        : m_sink(std::move(sink)), m_format(format), m_withTimes(withTimes),
          m_groupHandle(groupHandle), m_transactionId(transactionId), m_mergeKey(mergeKey),
          m_values(std::move(values))
    {}

    const char* method() const noexcept override { return kAdviseMethod; }
    std::uint64_t mergeKey() const noexcept override { return m_mergeKey; }
    void merge(ClientDelivery& newer) override
    {
        auto& report = static_cast<StreamValuesDelivery&>(newer);
        m_values =
            std::make_shared<const StreamValues>(StreamValues::merged(*m_values, *report.m_values));
        m_sink = std::move(report.m_sink);
        m_groupHandle = report.m_groupHandle;
    }
    HRESULT send() noexcept override
    {
        // Without memory for the block nothing is sent.
        const auto block = m_values->block(m_groupHandle, m_transactionId, m_withTimes);
        return block ? adviseBlock(*m_sink.get(), m_format, block.get()) : S_OK;
    }

private:
    ComPtr<IAdviseSink> m_sink;
    CLIPFORMAT m_format;
    bool m_withTimes;
    OPCHANDLE m_groupHandle;
    DWORD m_transactionId;
    std::uint64_t m_mergeKey;
    std::shared_ptr<const StreamValues> m_values;
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

IOPCDataObject::~IOPCDataObject()
{
    for (Slot* slot : {&m_data, &m_dataTime, &m_writeComplete})
        RuntimeLock::releaseAfterUnlock(slot->sink.detach());
}

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
        auto held = holdRuntimeLock();
        const Slot* slot = slotOf(format);
        if (!slot) return DV_E_FORMATETC;
        if (slot->sink) return CONNECT_E_ADVISELIMIT;
    }
    // The client's QueryInterface may be a call into another process: not under the lock.
    ComPtr<IAdviseSink> sink;
    assertLockNotHeld();
    const HRESULT hr = pAdvSink->QueryInterface(IID_IAdviseSink, sink.putVoid());
    if (FAILED(hr)) return hr;
    auto held = holdRuntimeLock();
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
        auto held = holdRuntimeLock();
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
    owner().unflagItems(scratch);
}

void IOPCDataObject::prepareItemStreams(std::span<OPCItem* const> items, DWORD transactionId,
                                        ClientDeliveries& due)
{
    if (!hasDataAdvise()) return;
    const auto values = std::make_shared<const StreamValues>(items);
    const OPCHANDLE groupHandle = owner().state().clientHandle;
    // Only the reports of a scan merge; read and refresh results carry their transaction.
    const auto prepare = [&](const Slot& slot, bool withTimes) {
        if (!slot.sink) return;
        const std::uint64_t mergeKey =
            transactionId == 0 ? reportMergeKey(owner().serverHandle(), slot.format) : 0;
        due.push_back(std::make_unique<StreamValuesDelivery>(
            slot.sink, slot.format, withTimes, groupHandle, transactionId, mergeKey, values));
    };
    prepare(m_dataTime, true);
    prepare(m_data, false);
}

void IOPCDataObject::prepareWriteComplete(DWORD transactionId,
                                          std::span<const OPCHANDLE> clientHandles,
                                          std::span<const HRESULT> results, ClientDeliveries& due)
{
    if (!hasWriteAdvise()) return;
    auto block =
        writeCompleteBlock(owner().state().clientHandle, transactionId, clientHandles, results);
    // Without memory for the block nothing is sent.
    if (block)
        due.push_back(std::make_unique<StreamDelivery>(m_writeComplete.sink, m_writeComplete.format,
                                                       std::move(block)));
}

} // namespace vetrel
