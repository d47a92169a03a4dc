// The probe's IOPCEventSink: each event the server sends becomes one ReceivedEvent, copied out
// of the server's structures and handed to a handler on the server's calling thread.
#pragma once

#include "platform/com_ptr.h"
#include "sink_object.h"
#include "vetrel/opc.h"

#include <functional>
#include <string>
#include <vector>

namespace opcprobe {

struct ReceivedEvent
{
    FILETIME time{};
    std::string source;
    std::string message;
    DWORD severity = 0;
};

class EventSink final : public SinkObject<IOPCEventSink>
{
public:
    // The handler runs on the thread that delivers the events, while the server waits for it;
    // it must be safe to call from any thread.
    using Handler = std::function<void(std::vector<ReceivedEvent>)>;

    static vetrel::ComPtr<EventSink> create(Handler handler);

    HRESULT STDMETHODCALLTYPE OnEvent(OPCHANDLE hClientSubscription, BOOL bRefresh,
                                      BOOL bLastRefresh, DWORD dwCount,
                                      ONEVENTSTRUCT* pEvents) noexcept override;

private:
    explicit EventSink(Handler handler);

    const Handler m_handler;
};

} // namespace opcprobe
