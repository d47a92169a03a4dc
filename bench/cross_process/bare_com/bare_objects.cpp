#include "bare_objects.h"

#include <new>

std::atomic<long> bareObjectsAlive{0};

namespace {

// IUnknown of a heap object that implements one interface beside it.
template <typename Interface> class BareObject : public Interface
{
public:
    BareObject() { ++bareObjectsAlive; }
    virtual ~BareObject() { --bareObjectsAlive; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid != IID_IUnknown && riid != __uuidof(Interface)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> m_references{1};
};

class BareChild final : public BareObject<IBareChild>
{
public:
    explicit BareChild(LONG value) : m_value(value) {}

    HRESULT STDMETHODCALLTYPE Write(LONG value) override
    {
        m_value = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Read(LONG* value) override
    {
        if (!value) return E_POINTER;
        *value = m_value;
        return S_OK;
    }

private:
    std::atomic<LONG> m_value;
};

class BareServer final : public BareObject<IBareServer>
{
public:
    HRESULT STDMETHODCALLTYPE AddChild(LONG value, IBareChild** child) override
    {
        if (!child) return E_POINTER;
        *child = newBareChild(value);
        return *child ? S_OK : E_OUTOFMEMORY;
    }
};

// Static: the class object is not counted as use, or the process would never be idle.
class BareFactory final : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IBareServer* server = newBareServer();
        if (!server) return E_OUTOFMEMORY;
        const HRESULT hr = server->QueryInterface(riid, object);
        server->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

} // namespace

IClassFactory* bareClassFactory()
{
    static BareFactory factory;
    return &factory;
}

IBareServer* newBareServer()
{
    return new (std::nothrow) BareServer;
}

IBareChild* newBareChild(LONG value)
{
    return new (std::nothrow) BareChild(value);
}
