#include "bare_pins.h"

BarePins::~BarePins()
{
    for (Pin& pin : m_pins) CoDisconnectObject(pin.object.get(), 0);
    for (Pin& pin : m_pins) {
        const LARGE_INTEGER start{};
        pin.stream->Seek(start, STREAM_SEEK_SET, nullptr);
        CoReleaseMarshalData(pin.stream.get());
    }
}

HRESULT BarePins::pin(IUnknown* object, REFIID riid)
{
    BareRef<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    if (SUCCEEDED(hr))
        hr = CoMarshalInterface(stream.get(), riid, object, MSHCTX_LOCAL, nullptr,
                                MSHLFLAGS_TABLESTRONG);
    if (FAILED(hr)) return hr;
    object->AddRef();
    m_pins.push_back({BareRef<IUnknown>(object), std::move(stream)});
    return S_OK;
}
