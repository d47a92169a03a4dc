#include "stream_sink.h"

#include "platform/global_lock.h"
#include "session.h"
#include "stream_block.h"

namespace opcprobe {

CLIPFORMAT dataTimeFormat()
{
    static const auto format =
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("OPCSTMFORMATDATATIME"));
    return format;
}

StreamSink::StreamSink(Handler handler) : SinkObject(IID_IAdviseSink), m_handler(std::move(handler))
{}

vetrel::ComPtr<StreamSink> StreamSink::create(Handler handler)
{
    return vetrel::ComPtr<StreamSink>(new StreamSink(std::move(handler)));
}

void STDMETHODCALLTYPE StreamSink::OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) noexcept
{
    if (!pFormatetc || !pStgmed || pFormatetc->cfFormat != dataTimeFormat() ||
        pStgmed->tymed != TYMED_HGLOBAL)
        return;
    try {
        // The medium stays the caller's.
        vetrel::GlobalLock locked(pStgmed->hGlobal);
        const auto* bytes = locked.as<uint8_t>();
        if (!bytes) return;
        std::optional<DataCallback> change =
            readDataTimeBlock({bytes, GlobalSize(pStgmed->hGlobal)});
        if (change) m_handler(std::move(*change));
    } catch (...) {
        // A block the probe cannot take is one report less, never the server's failure.
    }
}

StreamAdvice::StreamAdvice(IUnknown* group, IAdviseSink* sink)
{
    HRESULT hr = group->QueryInterface(IID_IDataObject, m_dataObject.putVoid());
    if (FAILED(hr) || !m_dataObject)
        throw ProbeFailure("Finding the group's data object", FAILED(hr) ? hr : E_POINTER);
    FORMATETC format{dataTimeFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    hr = m_dataObject->DAdvise(&format, 0, sink, &m_connection);
    if (FAILED(hr)) throw ProbeFailure("Advising the data block sink", hr);
}

StreamAdvice::~StreamAdvice()
{
    m_dataObject->DUnadvise(m_connection);
}

} // namespace opcprobe
