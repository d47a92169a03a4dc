// Interface objects: the small per-interface objects of a COM object with several interfaces
// (server, group, event subscription). They have no reference count of their own: identity,
// references and the other interfaces all belong to the owner, to which they forward after
// sending their trace line.
#pragma once

#include "comkit/trace.h"
#include "vetrel/com.h"

namespace vetrel {

// The three trace lines an interface object sends when it forwards IUnknown to its owner.
struct ForwardingTraces
{
    const char* addRef;
    const char* release;
    const char* queryInterface;
};

template <typename Interface, typename Owner, const ForwardingTraces& Traces>
class InterfaceObject : public Interface
{
public:
    explicit InterfaceObject(Owner& owner) noexcept : m_owner(owner) {}
    InterfaceObject(const InterfaceObject&) = delete;
    InterfaceObject& operator=(const InterfaceObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override
    {
        trace("%s", Traces.queryInterface);
        return m_owner.QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override
    {
        trace("%s", Traces.addRef);
        return m_owner.AddRef();
    }
    // The owner may go with this call, and this object with it: nothing follows the forward.
    ULONG STDMETHODCALLTYPE Release() noexcept override
    {
        trace("%s", Traces.release);
        return m_owner.Release();
    }

protected:
    ~InterfaceObject() = default;
    Owner& owner() const noexcept { return m_owner; }

private:
    Owner& m_owner;
};

} // namespace vetrel
