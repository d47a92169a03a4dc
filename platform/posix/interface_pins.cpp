// Every client of this COM runtime is in the process: no RPC registration to keep.
#include "platform/interface_pins.h"

#include <new>

namespace vetrel::platform {
namespace {

class NoPins final : public InterfacePins
{};

} // namespace

std::unique_ptr<InterfacePins> InterfacePins::pin(IUnknown&, std::span<const IID* const>) noexcept
{
    return std::unique_ptr<InterfacePins>(new (std::nothrow) NoPins);
}

} // namespace vetrel::platform
