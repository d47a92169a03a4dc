// The probe's IOPCShutdown: hands the server's request, with its reason, to a handler on the
// server's calling thread.
#pragma once

#include "platform/com_ptr.h"
#include "sink_object.h"
#include "vetrel/opc.h"

#include <functional>
#include <string>

namespace opcprobe {

class ShutdownSink final : public SinkObject<IOPCShutdown>
{
public:
    // Receives the reason, empty when the server gave none. Runs on any thread.
    using Handler = std::function<void(std::string)>;

    static vetrel::ComPtr<ShutdownSink> create(Handler handler);

    HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) noexcept override;

private:
    explicit ShutdownSink(Handler handler);

    const Handler m_handler;
};

} // namespace opcprobe
