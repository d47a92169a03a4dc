// IUnknown of a heap object of the bare server that implements one interface beside it; every
// live one counts as use of the process.
#pragma once

#include "bare_identity.h"

#include <atomic>

// Servers, children and groups alive now, in any client's hands.
extern std::atomic<long> bareObjectsAlive;

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
