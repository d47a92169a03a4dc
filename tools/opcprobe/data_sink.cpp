#include "data_sink.h"

#include <new>
#include <stdexcept>

namespace opcprobe {

DataSink::DataSink(Handler handler)
    : SinkObject(IID_IOPCDataCallback), m_handler(std::move(handler))
{}

vetrel::ComPtr<DataSink> DataSink::create(Handler handler)
{
    return vetrel::ComPtr<DataSink>(new DataSink(std::move(handler)));
}

template <typename Build> HRESULT DataSink::handOver(Build build) noexcept
{
    try {
        m_handler(build());
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::invalid_argument&) {
        // A value of a type that cannot be copied.
        return E_INVALIDARG;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT DataSink::deliver(DataCallback::Kind kind, DWORD transaction, OPCHANDLE group,
                          HRESULT masterQuality, HRESULT masterError, DWORD count,
                          const OPCHANDLE* handles, const VARIANT* values, const WORD* qualities,
                          const FILETIME* timestamps, const HRESULT* errors) noexcept
{
    if (count > 0 && (!handles || !values || !qualities || !timestamps || !errors))
        return E_INVALIDARG;
    return handOver([&] {
        DataCallback call{kind, transaction, group, masterQuality, masterError, {}};
        call.entries.reserve(count);
        for (DWORD i = 0; i < count; ++i)
            call.entries.push_back(
                {handles[i], vetrel::Variant(values[i]), qualities[i], timestamps[i], errors[i]});
        return call;
    });
}

HRESULT STDMETHODCALLTYPE DataSink::OnDataChange(DWORD dwTransid, OPCHANDLE hGroup,
                                                 HRESULT hrMasterquality, HRESULT hrMastererror,
                                                 DWORD dwCount, OPCHANDLE* phClientItems,
                                                 VARIANT* pvValues, WORD* pwQualities,
                                                 FILETIME* pftTimeStamps, HRESULT* pErrors) noexcept
{
    return deliver(DataCallback::Kind::DataChange, dwTransid, hGroup, hrMasterquality,
                   hrMastererror, dwCount, phClientItems, pvValues, pwQualities, pftTimeStamps,
                   pErrors);
}

HRESULT STDMETHODCALLTYPE DataSink::OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup,
                                                   HRESULT hrMasterquality, HRESULT hrMastererror,
                                                   DWORD dwCount, OPCHANDLE* phClientItems,
                                                   VARIANT* pvValues, WORD* pwQualities,
                                                   FILETIME* pftTimeStamps,
                                                   HRESULT* pErrors) noexcept
{
    return deliver(DataCallback::Kind::ReadComplete, dwTransid, hGroup, hrMasterquality,
                   hrMastererror, dwCount, phClientItems, pvValues, pwQualities, pftTimeStamps,
                   pErrors);
}

HRESULT STDMETHODCALLTYPE DataSink::OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup,
                                                    HRESULT hrMastererr, DWORD dwCount,
                                                    OPCHANDLE* pClienthandles,
                                                    HRESULT* pErrors) noexcept
{
    if (dwCount > 0 && (!pClienthandles || !pErrors)) return E_INVALIDARG;
    return handOver([&] {
        DataCallback call{
            DataCallback::Kind::WriteComplete, dwTransid, hGroup, S_OK, hrMastererr, {}};
        call.entries.resize(dwCount);
        for (DWORD i = 0; i < dwCount; ++i) {
            call.entries[i].clientHandle = pClienthandles[i];
            call.entries[i].error = pErrors[i];
        }
        return call;
    });
}

HRESULT STDMETHODCALLTYPE DataSink::OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) noexcept
{
    return handOver([&] {
        return DataCallback{DataCallback::Kind::CancelComplete, dwTransid, hGroup, S_OK, S_OK, {}};
    });
}

} // namespace opcprobe
