#include "bare_objects.h"

#include "bare_object.h"
#include "bare_ref.h"

#include <mutex>
#include <new>
#include <unordered_map>

std::atomic<long> bareObjectsAlive{0};

namespace {

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

// Holds the groups it hands out until they are removed, as an OPC server's list does.
class BareServer final : public BareObject<IBareServer>
{
public:
    HRESULT STDMETHODCALLTYPE AddChild(LONG value, IBareChild** child) override
    {
        if (!child) return E_POINTER;
        *child = newBareChild(value);
        return *child ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE AddGroup(LPCWSTR, BOOL, DWORD rate, DWORD, LONG*, FLOAT*, DWORD,
                                       DWORD* serverHandle, DWORD* revisedRate, REFIID riid,
                                       IUnknown** group) override
    {
        if (!serverHandle || !revisedRate || !group) return E_POINTER;
        *group = nullptr;
        BareRef<IBareGroup> added(newBareGroup());
        if (!added.get()) return E_OUTOFMEMORY;
        const HRESULT hr = added->QueryInterface(riid, reinterpret_cast<void**>(group));
        if (FAILED(hr)) return hr;
        try {
            const std::lock_guard held(m_lock);
            *serverHandle = ++m_lastHandle;
            m_groups.emplace(*serverHandle, std::move(added));
        } catch (const std::bad_alloc&) {
            (*group)->Release();
            *group = nullptr;
            return E_OUTOFMEMORY;
        }
        *revisedRate = rate;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE RemoveGroup(DWORD serverHandle, BOOL) override
    {
        BareRef<IBareGroup> removed;
        const std::lock_guard held(m_lock);
        const auto found = m_groups.find(serverHandle);
        if (found == m_groups.end()) return E_FAIL;
        removed = std::move(found->second);
        m_groups.erase(found);
        return S_OK;
    }

private:
    std::mutex m_lock;
    DWORD m_lastHandle = 0;
    std::unordered_map<DWORD, BareRef<IBareGroup>> m_groups;
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
