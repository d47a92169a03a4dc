// Every interface the runtime hands to clients of other processes stays registered with RPC
// from start-up to unload (platform/interface_pins.h says why).
#pragma once

#include "platform/interface_pins.h"

#include <memory>

namespace vetrel {

// The class factory as IClassFactory, and a stand-in for every interface of servers, groups,
// subscriptions, connection points and enumerators.
class ServedInterfacePins
{
public:
    // Interfaces that cannot be marshalled are skipped (platform/interface_pins.h); false
    // without memory, and nothing stays pinned then.
    bool pin(IClassFactory& factory) noexcept;
    void release() noexcept;

private:
    std::unique_ptr<platform::InterfacePins> m_factory;
    std::unique_ptr<platform::InterfacePins> m_standIn;
};

} // namespace vetrel
