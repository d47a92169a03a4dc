#include "platform/interface_pins.h"

#include "platform/com_ptr.h"

#include <new>
#include <vector>

namespace vetrel::platform {
namespace {

class MarshalledPins final : public InterfacePins
{
public:
    explicit MarshalledPins(IUnknown& object) noexcept : m_object(&object) {}

    ~MarshalledPins() override
    {
        // Disconnected stubs leave RPC without waiting for calls in flight.
        CoDisconnectObject(m_object.get(), 0);
        for (const ComPtr<IStream>& stream : m_streams) {
            const LARGE_INTEGER start{};
            stream->Seek(start, STREAM_SEEK_SET, nullptr);
            CoReleaseMarshalData(stream.get());
        }
    }

    void add(REFIID riid)
    {
        ComPtr<IStream> stream;
        HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
        if (SUCCEEDED(hr))
            hr = CoMarshalInterface(stream.get(), riid, m_object.get(), MSHCTX_LOCAL, nullptr,
                                    MSHLFLAGS_TABLESTRONG);
        if (SUCCEEDED(hr)) m_streams.push_back(std::move(stream));
    }

private:
    ComPtr<IUnknown> m_object;
    std::vector<ComPtr<IStream>> m_streams;
};

} // namespace

std::unique_ptr<InterfacePins> InterfacePins::pin(IUnknown& object,
                                                  std::span<const IID* const> interfaces) noexcept
{
    try {
        auto pins = std::make_unique<MarshalledPins>(object);
        for (const IID* riid : interfaces) pins->add(*riid);
        return pins;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace vetrel::platform
