#include "events/event_delivery.h"

#include "events/event_block.h"

namespace vetrel {
namespace {

class EventDelivery final : public ClientDelivery
{
public:
    EventDelivery(ComPtr<IOPCEventSink> sink, OPCHANDLE clientSubscription,
                  TaskMem<BYTE> block) noexcept
        : m_sink(std::move(sink)), m_clientSubscription(clientSubscription),
          m_block(std::move(block))
    {}

    const char* method() const noexcept override { return "IOPCEventSink::OnEvent"; }
    HRESULT send() noexcept override
    {
        return m_sink->OnEvent(m_clientSubscription, FALSE, FALSE, 1,
                               reinterpret_cast<ONEVENTSTRUCT*>(m_block.get()));
    }

private:
    ComPtr<IOPCEventSink> m_sink;
    OPCHANDLE m_clientSubscription;
    TaskMem<BYTE> m_block;
};

} // namespace

void prepareEventDelivery(ComPtr<IOPCEventSink> sink, OPCHANDLE clientSubscription,
                          const OPCEventRecord& record, ClientDeliveries& due)
{
    auto block = buildEventBlock(record);
    if (!block) return;
    due.push_back(
        std::make_unique<EventDelivery>(std::move(sink), clientSubscription, std::move(block)));
}

} // namespace vetrel
