// Keeps interfaces of this process registered with the system's RPC runtime while it serves.
//
// Wine unregisters an interface from RPC when the last stub of that interface goes, in the call
// that released it, and waits there for the interface's calls in flight to end while it holds its
// lock of interface registrations. When one of those calls ends just as the wait begins, nothing
// wakes the wait: that thread never returns, and every other call that hands out an interface
// waits for the lock behind it. One table-strong marshalled reference per interface, held until
// the runtime unloads, keeps one stub of each, so that the unregistration never happens.
#pragma once

#include "vetrel/com.h"

#include <memory>
#include <span>

namespace vetrel::platform {

class InterfacePins
{
public:
    // Marshals object as each of the interfaces, table-strong. An interface that cannot be
    // marshalled (no proxy/stub registered for it, or the object refuses it) reaches no other
    // process, so there is nothing to keep for it and it is skipped. Null without memory.
    // Where every client is in the process, there is no RPC and nothing to keep.
    static std::unique_ptr<InterfacePins> pin(IUnknown& object,
                                              std::span<const IID* const> interfaces) noexcept;

    // Disconnects the object before its marshalled references go, so that its stubs leave
    // without waiting for calls in flight.
    virtual ~InterfacePins() = default;

protected:
    InterfacePins() = default;
};

} // namespace vetrel::platform
