#include "class_factory.h"

#include "comkit/com_boundary.h"
#include "server_lifetime.h"
#include "server_list.h"

namespace serverlist {
namespace {

class ServerListFactory final : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override
    {
        if (!object) return E_POINTER;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // The process owns the factory: references do not decide its life.
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                             void** object) noexcept override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return vetrel::comBoundary(
            [&] { return OPCServerList::create()->QueryInterface(riid, object); });
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override
    {
        if (lock)
            holdProcess();
        else
            releaseProcess();
        return S_OK;
    }
};

} // namespace

IClassFactory& serverListFactory() noexcept
{
    static ServerListFactory factory;
    return factory;
}

} // namespace serverlist
