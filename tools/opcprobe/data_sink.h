// The probe's IOPCDataCallback: each call of the server becomes one DataCallback record, copied
// out of the server's arrays and handed to a handler on the server's calling thread.
#pragma once

#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "sink_object.h"
#include "vetrel/opc.h"

#include <functional>
#include <vector>

namespace opcprobe {

struct CallbackEntry
{
    OPCHANDLE clientHandle = 0;
    vetrel::Variant value;
    WORD quality = 0;
    FILETIME timestamp{};
    HRESULT error = S_OK;
};

struct DataCallback
{
    enum class Kind
    {
        DataChange,
        ReadComplete,
        WriteComplete,
        CancelComplete,
    };
    Kind kind = Kind::DataChange;
    DWORD transaction = 0;
    OPCHANDLE group = 0;
    HRESULT masterQuality = S_OK;
    HRESULT masterError = S_OK;
    // Write completions carry only handles and errors.
    std::vector<CallbackEntry> entries;
};

class DataSink final : public SinkObject<IOPCDataCallback>
{
public:
    // The handler runs on the thread that delivers the call, while the server waits for it;
    // it must be safe to call from any thread.
    using Handler = std::function<void(DataCallback)>;

    static vetrel::ComPtr<DataSink> create(Handler handler);

    HRESULT STDMETHODCALLTYPE OnDataChange(DWORD dwTransid, OPCHANDLE hGroup,
                                           HRESULT hrMasterquality, HRESULT hrMastererror,
                                           DWORD dwCount, OPCHANDLE* phClientItems,
                                           VARIANT* pvValues, WORD* pwQualities,
                                           FILETIME* pftTimeStamps,
                                           HRESULT* pErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup,
                                             HRESULT hrMasterquality, HRESULT hrMastererror,
                                             DWORD dwCount, OPCHANDLE* phClientItems,
                                             VARIANT* pvValues, WORD* pwQualities,
                                             FILETIME* pftTimeStamps,
                                             HRESULT* pErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup,
                                              HRESULT hrMastererr, DWORD dwCount,
                                              OPCHANDLE* pClienthandles,
                                              HRESULT* pErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) noexcept override;

private:
    explicit DataSink(Handler handler);
    HRESULT deliver(DataCallback::Kind kind, DWORD transaction, OPCHANDLE group,
                    HRESULT masterQuality, HRESULT masterError, DWORD count,
                    const OPCHANDLE* handles, const VARIANT* values, const WORD* qualities,
                    const FILETIME* timestamps, const HRESULT* errors) noexcept;
    // Builds the record and hands it on; nothing escapes to the server.
    template <typename Build> HRESULT handOver(Build build) noexcept;

    const Handler m_handler;
};

} // namespace opcprobe
