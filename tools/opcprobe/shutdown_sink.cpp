#include "shutdown_sink.h"

#include "wide_text.h"

#include <new>

namespace opcprobe {

ShutdownSink::ShutdownSink(Handler handler)
    : SinkObject(IID_IOPCShutdown), m_handler(std::move(handler))
{}

vetrel::platform::ComPtr<ShutdownSink> ShutdownSink::create(Handler handler)
{
    return vetrel::platform::ComPtr<ShutdownSink>(new ShutdownSink(std::move(handler)));
}

HRESULT STDMETHODCALLTYPE ShutdownSink::ShutdownRequest(LPCWSTR szReason) noexcept
{
    try {
        m_handler(narrow(reinterpret_cast<const OLECHAR*>(szReason)));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace opcprobe
