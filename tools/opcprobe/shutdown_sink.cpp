#include "shutdown_sink.h"

#include "comkit/com_boundary.h"
#include "wide_text.h"

namespace opcprobe {

ShutdownSink::ShutdownSink(Handler handler)
    : SinkObject(IID_IOPCShutdown), m_handler(std::move(handler))
{}

vetrel::ComPtr<ShutdownSink> ShutdownSink::create(Handler handler)
{
    return vetrel::ComPtr<ShutdownSink>(new ShutdownSink(std::move(handler)));
}

HRESULT STDMETHODCALLTYPE ShutdownSink::ShutdownRequest(LPCWSTR szReason) noexcept
{
    return vetrel::comBoundary([&] {
        m_handler(narrow(reinterpret_cast<const OLECHAR*>(szReason)));
        return S_OK;
    });
}

} // namespace opcprobe
