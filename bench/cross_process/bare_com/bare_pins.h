// Keeps the interfaces of the bare server registered with the RPC runtime while it serves.
//
// Wine unregisters an interface from RPC when the last stub of that interface goes, and waits
// there, holding its lock of interface registrations, for the interface's calls in flight to end.
// When one of those calls ends just as the wait begins, nothing wakes the wait and the process
// answers no one again. A marshalled reference held for the process's life keeps one stub of each
// interface, so that unregistration never happens. At the end the objects are disconnected first:
// disconnected stubs leave RPC without that wait.
#pragma once

#include "bare_ref.h"

#include <objidl.h>
#include <vector>

class BarePins
{
public:
    BarePins() = default;
    ~BarePins();
    BarePins(const BarePins&) = delete;
    BarePins& operator=(const BarePins&) = delete;

    // Marshals object as riid into a stream of its own, table-strong.
    HRESULT pin(IUnknown* object, REFIID riid);

private:
    struct Pin
    {
        BareRef<IUnknown> object;
        BareRef<IStream> stream;
    };
    std::vector<Pin> m_pins;
};
