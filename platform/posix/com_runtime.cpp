// Apartments and the class object table of the in-process COM runtime.
//
// Every thread that called CoInitializeEx belongs to an apartment: its own single-threaded one,
// or the one multithreaded apartment of the process. A thread that never initialized COM still
// reaches the multithreaded apartment while any other thread keeps it alive, as on Windows.
// Class objects are registered in one process-wide table; an apartment that goes away revokes
// the class objects registered from it.
#include "vetrel/com.h"

#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The apartment a registration belongs to: a thread of its own, or the multithreaded one.
using ApartmentId = std::thread::id;
const ApartmentId kMultithreaded{};

struct Registration
{
    DWORD cookie;
    CLSID clsid;
    DWORD context;
    ApartmentId apartment;
    IUnknown* classObject;
};

class ClassTable
{
public:
    static ClassTable& instance()
    {
        static ClassTable* const table = new ClassTable;
        return *table;
    }

    void enterMultithreaded()
    {
        std::lock_guard lock(m_mutex);
        ++m_multithreadedThreads;
    }

    // The last thread leaving the multithreaded apartment takes its registrations with it.
    void leaveMultithreaded()
    {
        std::vector<IUnknown*> revoked;
        {
            std::lock_guard lock(m_mutex);
            if (--m_multithreadedThreads == 0) revoked = takeRegistrationsOf(kMultithreaded);
        }
        releaseAll(revoked);
    }

    void leaveSingleThreaded(ApartmentId apartment)
    {
        std::vector<IUnknown*> revoked;
        {
            std::lock_guard lock(m_mutex);
            revoked = takeRegistrationsOf(apartment);
        }
        releaseAll(revoked);
    }

    bool multithreadedAlive()
    {
        std::lock_guard lock(m_mutex);
        return m_multithreadedThreads > 0;
    }

    HRESULT add(REFCLSID clsid, IUnknown* classObject, DWORD context, ApartmentId apartment,
                DWORD* cookie)
    {
        std::lock_guard lock(m_mutex);
        if (++m_lastCookie == 0) ++m_lastCookie;
        try {
            m_registrations.push_back({m_lastCookie, clsid, context, apartment, classObject});
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        classObject->AddRef();
        *cookie = m_lastCookie;
        return S_OK;
    }

    HRESULT remove(DWORD cookie)
    {
        IUnknown* classObject = nullptr;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_registrations.begin(); it != m_registrations.end(); ++it) {
                if (it->cookie != cookie) continue;
                classObject = it->classObject;
                m_registrations.erase(it);
                break;
            }
        }
        if (!classObject) return E_INVALIDARG;
        classObject->Release();
        return S_OK;
    }

    // The class object comes back AddRef-ed, so a concurrent revocation cannot free it.
    IUnknown* find(REFCLSID clsid, DWORD context)
    {
        std::lock_guard lock(m_mutex);
        for (const auto& registration : m_registrations) {
            if (registration.clsid != clsid || !(registration.context & context)) continue;
            registration.classObject->AddRef();
            return registration.classObject;
        }
        return nullptr;
    }

private:
    std::vector<IUnknown*> takeRegistrationsOf(ApartmentId apartment)
    {
        std::vector<IUnknown*> taken;
        std::erase_if(m_registrations, [&](const Registration& registration) {
            if (registration.apartment != apartment) return false;
            taken.push_back(registration.classObject);
            return true;
        });
        return taken;
    }

    static void releaseAll(const std::vector<IUnknown*>& objects)
    {
        for (IUnknown* object : objects) object->Release();
    }

    std::mutex m_mutex;
    std::vector<Registration> m_registrations;
    DWORD m_lastCookie = 0;
    unsigned m_multithreadedThreads = 0;
};

// The calling thread's own initialization count and model.
class ThreadApartment
{
public:
    ~ThreadApartment()
    {
        // A thread that ends without balancing its CoInitializeEx calls still leaves.
        if (m_initCount > 0) leave();
    }

    HRESULT initialize(bool singleThreaded)
    {
        if (m_initCount > 0) {
            if (singleThreaded != m_singleThreaded) return RPC_E_CHANGED_MODE;
            ++m_initCount;
            return S_FALSE;
        }
        m_singleThreaded = singleThreaded;
        if (!singleThreaded) ClassTable::instance().enterMultithreaded();
        m_initCount = 1;
        return S_OK;
    }

    void uninitialize()
    {
        if (m_initCount == 0 || --m_initCount > 0) return;
        leave();
    }

    // The apartment the caller acts in, or none when it cannot use COM.
    bool current(ApartmentId* apartment) const
    {
        if (m_initCount > 0 && m_singleThreaded) {
            *apartment = std::this_thread::get_id();
            return true;
        }
        *apartment = kMultithreaded;
        return m_initCount > 0 || ClassTable::instance().multithreadedAlive();
    }

private:
    void leave()
    {
        m_initCount = 0;
        if (m_singleThreaded)
            ClassTable::instance().leaveSingleThreaded(std::this_thread::get_id());
        else
            ClassTable::instance().leaveMultithreaded();
    }

    unsigned m_initCount = 0;
    bool m_singleThreaded = false;
};

ThreadApartment& threadApartment()
{
    thread_local ThreadApartment apartment;
    return apartment;
}

bool comInitialized()
{
    ApartmentId ignored;
    return threadApartment().current(&ignored);
}

} // namespace

STDAPI CoInitialize(LPVOID pvReserved)
{
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

STDAPI CoInitializeEx(LPVOID, DWORD dwCoInit)
{
    return threadApartment().initialize((dwCoInit & COINIT_APARTMENTTHREADED) != 0);
}

STDAPI_(void) CoUninitialize()
{
    threadApartment().uninitialize();
}

// There is no caller from outside the process to authenticate.
STDAPI CoInitializeSecurity(PSECURITY_DESCRIPTOR, LONG, SOLE_AUTHENTICATION_SERVICE*, void*, DWORD,
                            DWORD, void*, DWORD, void*)
{
    return S_OK;
}

STDAPI CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD,
                             LPDWORD lpdwRegister)
{
    if (!pUnk || !lpdwRegister) return E_INVALIDARG;
    ApartmentId apartment;
    if (!threadApartment().current(&apartment)) return CO_E_NOTINITIALIZED;
    return ClassTable::instance().add(rclsid, pUnk, dwClsContext, apartment, lpdwRegister);
}

STDAPI CoRevokeClassObject(DWORD dwRegister)
{
    if (!comInitialized()) return CO_E_NOTINITIALIZED;
    return ClassTable::instance().remove(dwRegister);
}

// Suspended registrations are visible in-process from the start, so resuming has nothing to do.
STDAPI CoResumeClassObjects()
{
    return S_OK;
}

STDAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO*, REFIID riid,
                        LPVOID* ppv)
{
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (!comInitialized()) return CO_E_NOTINITIALIZED;
    IUnknown* classObject = ClassTable::instance().find(rclsid, dwClsContext);
    if (!classObject) return REGDB_E_CLASSNOTREG;
    HRESULT hr = classObject->QueryInterface(riid, ppv);
    classObject->Release();
    return hr;
}

STDAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                        LPVOID* ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

// Every client is in this process: there is no remote connection to cut.
STDAPI CoDisconnectObject(LPUNKNOWN pUnk, DWORD)
{
    if (!pUnk) return E_INVALIDARG;
    return comInitialized() ? S_OK : CO_E_NOTINITIALIZED;
}
