#include "event_sink.h"

#include "comkit/com_boundary.h"
#include "wide_text.h"

namespace opcprobe {

EventSink::EventSink(Handler handler) : SinkObject(IID_IOPCEventSink), m_handler(std::move(handler))
{}

vetrel::ComPtr<EventSink> EventSink::create(Handler handler)
{
    return vetrel::ComPtr<EventSink>(new EventSink(std::move(handler)));
}

HRESULT STDMETHODCALLTYPE EventSink::OnEvent(OPCHANDLE, BOOL, BOOL, DWORD dwCount,
                                             ONEVENTSTRUCT* pEvents) noexcept
{
    if (dwCount > 0 && !pEvents) return E_INVALIDARG;
    return vetrel::comBoundary([&] {
        std::vector<ReceivedEvent> events;
        events.reserve(dwCount);
        for (DWORD i = 0; i < dwCount; ++i) {
            const ONEVENTSTRUCT& event = pEvents[i];
            events.push_back({event.ftTime, narrow(reinterpret_cast<OLECHAR*>(event.szSource)),
                              narrow(reinterpret_cast<OLECHAR*>(event.szMessage)),
                              event.dwSeverity});
        }
        m_handler(std::move(events));
        return S_OK;
    });
}

} // namespace opcprobe
