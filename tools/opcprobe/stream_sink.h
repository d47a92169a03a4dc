// The probe's IAdviseSink for a group's OPC 1.0 data blocks: each block with timestamps becomes
// one DataCallback record, handed to a handler on the server's calling thread.
#pragma once

#include "data_sink.h"
#include "platform/com_ptr.h"
#include "sink_object.h"

namespace opcprobe {

// The format of data blocks with timestamps, registered on first use.
CLIPFORMAT dataTimeFormat();

class StreamSink final : public SinkObject<IAdviseSink>
{
public:
    // Runs on the delivering thread, as DataSink's handler does.
    using Handler = DataSink::Handler;

    static vetrel::ComPtr<StreamSink> create(Handler handler);

    // Blocks of other formats or media, and malformed blocks, are skipped.
    void STDMETHODCALLTYPE OnDataChange(FORMATETC* pFormatetc,
                                        STGMEDIUM* pStgmed) noexcept override;
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) noexcept override {}
    void STDMETHODCALLTYPE OnRename(IMoniker*) noexcept override {}
    void STDMETHODCALLTYPE OnSave() noexcept override {}
    void STDMETHODCALLTYPE OnClose() noexcept override {}

private:
    explicit StreamSink(Handler handler);

    const Handler m_handler;
};

// One DAdvise of a sink for data blocks with timestamps on a group's IDataObject, for as long
// as this object lives.
class StreamAdvice
{
public:
    // Throws ProbeFailure when the group has no data object or refuses the sink.
    StreamAdvice(IUnknown* group, IAdviseSink* sink);
    // Unadvises; a server gone meanwhile answers an error, which changes nothing here.
    ~StreamAdvice();
    StreamAdvice(const StreamAdvice&) = delete;
    StreamAdvice& operator=(const StreamAdvice&) = delete;

private:
    vetrel::ComPtr<IDataObject> m_dataObject;
    DWORD m_connection = 0;
};

} // namespace opcprobe
