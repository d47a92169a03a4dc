#include "server/shutdown_request.h"

namespace vetrel {
namespace {

class ShutdownDelivery final : public ClientDelivery
{
public:
    explicit ShutdownDelivery(ComPtr<IOPCShutdown> sink) noexcept : m_sink(std::move(sink)) {}

    const char* method() const noexcept override { return "IOPCShutdown::ShutdownRequest"; }
    HRESULT send() noexcept override
    {
        // Not every transport can carry an absent reason: the request has an empty one.
        static const WCHAR noReason[] = {0};
        return m_sink->ShutdownRequest(noReason);
    }

private:
    ComPtr<IOPCShutdown> m_sink;
};

} // namespace

void prepareShutdownRequest(ComPtr<IOPCShutdown> sink, ClientDeliveries& due)
{
    due.push_back(std::make_unique<ShutdownDelivery>(std::move(sink)));
}

} // namespace vetrel
