#include "platform/com_ptr.h"
#include "vetrel/com.h"

#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using vetrel::ComPtr;

namespace {

constexpr CLSID kWidgetClass = {
    0x6B1F5E2A, 0x41C7, 0x4E0B, {0x9D, 0x3A, 0x51, 0x22, 0x7F, 0x0C, 0x88, 0x14}};
constexpr CLSID kUnknownClass = {
    0x6B1F5E2B, 0x41C7, 0x4E0B, {0x9D, 0x3A, 0x51, 0x22, 0x7F, 0x0C, 0x88, 0x14}};

std::string text(const GUID& guid)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return buffer;
}

// A reference-counted object that only counts: the tests own it on the stack.
template <typename Interface> class Counted : public Interface
{
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    ULONG refs() const { return m_refs.load(); }

private:
    std::atomic<ULONG> m_refs{1};
};

class Widget : public Counted<IPersist>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IPersist) {
            *ppv = static_cast<IPersist*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override
    {
        *pClassID = kWidgetClass;
        return S_OK;
    }
};

class WidgetFactory : public Counted<IClassFactory>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             void** ppvObject) override
    {
        if (pUnkOuter) return CLASS_E_NOAGGREGATION;
        ++m_created;
        return m_widget.QueryInterface(riid, ppvObject);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    Widget m_widget;
    std::atomic<int> m_created{0};
};

// Runs body on a thread of its own, so that its COM state starts and ends clean.
template <typename Body> void onNewThread(Body body)
{
    std::thread thread(body);
    thread.join();
}

TEST(StandardIds, HaveTheirPublishedValues)
{
    const std::pair<const IID*, const char*> ids[] = {
        {&IID_IUnknown, "00000000-0000-0000-C000-000000000046"},
        {&IID_IClassFactory, "00000001-0000-0000-C000-000000000046"},
        {&IID_IMalloc, "00000002-0000-0000-C000-000000000046"},
        {&IID_IMarshal, "00000003-0000-0000-C000-000000000046"},
        {&IID_IStorage, "0000000B-0000-0000-C000-000000000046"},
        {&IID_IStream, "0000000C-0000-0000-C000-000000000046"},
        {&IID_IMoniker, "0000000F-0000-0000-C000-000000000046"},
        {&IID_IMessageFilter, "00000016-0000-0000-C000-000000000046"},
        {&IID_IStdMarshalInfo, "00000018-0000-0000-C000-000000000046"},
        {&IID_IExternalConnection, "00000019-0000-0000-C000-000000000046"},
        {&IID_IMallocSpy, "0000001D-0000-0000-C000-000000000046"},
        {&IID_IEnumUnknown, "00000100-0000-0000-C000-000000000046"},
        {&IID_IEnumString, "00000101-0000-0000-C000-000000000046"},
        {&IID_IEnumFORMATETC, "00000103-0000-0000-C000-000000000046"},
        {&IID_IEnumSTATDATA, "00000105-0000-0000-C000-000000000046"},
        {&IID_IPersistFile, "0000010B-0000-0000-C000-000000000046"},
        {&IID_IPersist, "0000010C-0000-0000-C000-000000000046"},
        {&IID_IDataObject, "0000010E-0000-0000-C000-000000000046"},
        {&IID_IAdviseSink, "0000010F-0000-0000-C000-000000000046"},
        {&IID_IDispatch, "00020400-0000-0000-C000-000000000046"},
        {&IID_IEnumGUID, "0002E000-0000-0000-C000-000000000046"},
        {&IID_ICatRegister, "0002E012-0000-0000-C000-000000000046"},
        {&IID_ICatInformation, "0002E013-0000-0000-C000-000000000046"},
        {&IID_IRpcProxyBuffer, "D5F56A34-593B-101A-B569-08002B2DBF7A"},
        {&IID_IRpcStubBuffer, "D5F56AFC-593B-101A-B569-08002B2DBF7A"},
        {&IID_IRpcChannelBuffer, "D5F56B60-593B-101A-B569-08002B2DBF7A"},
        {&IID_IConnectionPointContainer, "B196B284-BAB4-101A-B69C-00AA00341D07"},
        {&IID_IEnumConnectionPoints, "B196B285-BAB4-101A-B69C-00AA00341D07"},
        {&IID_IConnectionPoint, "B196B286-BAB4-101A-B69C-00AA00341D07"},
        {&IID_IEnumConnections, "B196B287-BAB4-101A-B69C-00AA00341D07"},
    };
    for (const auto& [id, expected] : ids) EXPECT_EQ(text(*id), expected);
    EXPECT_FALSE(IsEqualIID(IID_IConnectionPoint, IID_IConnectionPointContainer));
}

TEST(ComInitialization, CountsPerThreadAndRefusesAnotherModel)
{
    onNewThread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
        CoUninitialize();
        CoUninitialize();
        // Fully uninitialized, the thread may choose again.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    });
    onNewThread([] {
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        EXPECT_EQ(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                                       RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr),
                  S_OK);
        CoUninitialize();
        CoUninitialize();
    });
}

TEST(ComInitialization, ActivationNeedsAnApartment)
{
    onNewThread([] {
        WidgetFactory factory;
        DWORD cookie = 0;
        void* object = &factory;
        EXPECT_EQ(CoRegisterClassObject(kWidgetClass, &factory, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoCreateInstance(kWidgetClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(CoDisconnectObject(&factory, 0), CO_E_NOTINITIALIZED);
        EXPECT_EQ(factory.refs(), 1u);
    });
}

TEST(ClassObjects, RegisteredFactoryCreatesInstancesUntilRevoked)
{
    onNewThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        WidgetFactory factory;
        DWORD cookie = 0;
        ASSERT_EQ(CoRegisterClassObject(kWidgetClass, &factory, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie),
                  S_OK);
        EXPECT_NE(cookie, 0u);
        EXPECT_EQ(factory.refs(), 2u) << "the table keeps a reference";

        ComPtr<IPersist> persist;
        ASSERT_EQ(
            CoCreateInstance(kWidgetClass, nullptr, CLSCTX_ALL, IID_IPersist, persist.putVoid()),
            S_OK);
        CLSID created{};
        EXPECT_EQ(persist->GetClassID(&created), S_OK);
        EXPECT_EQ(created, kWidgetClass);
        EXPECT_EQ(factory.m_created.load(), 1);
        EXPECT_EQ(factory.refs(), 2u) << "the factory is released after creation";

        ComPtr<IClassFactory> classObject;
        ASSERT_EQ(CoGetClassObject(kWidgetClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                   classObject.putVoid()),
                  S_OK);
        EXPECT_EQ(classObject.get(), &factory);
        classObject.reset();

        // The factory's own answers pass through unchanged, with the out pointer cleared.
        void* object = &factory;
        EXPECT_EQ(CoCreateInstance(kWidgetClass, nullptr, CLSCTX_ALL, IID_IDataObject, &object),
                  E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(CoCreateInstance(kWidgetClass, &factory, CLSCTX_ALL, IID_IUnknown, &object),
                  CLASS_E_NOAGGREGATION);

        // A class registered for one context is not found in another.
        EXPECT_EQ(CoGetClassObject(kWidgetClass, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                   &object),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
                  REGDB_E_CLASSNOTREG);

        EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
        EXPECT_EQ(factory.refs(), 1u);
        EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
        object = &factory;
        EXPECT_EQ(CoCreateInstance(kWidgetClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(object, nullptr);
        persist.reset();
        EXPECT_EQ(factory.m_widget.refs(), 1u);
        CoUninitialize();
    });
}

TEST(ClassObjects, RejectMissingArguments)
{
    onNewThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        WidgetFactory factory;
        DWORD cookie = 0;
        EXPECT_EQ(CoRegisterClassObject(kWidgetClass, nullptr, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie),
                  E_INVALIDARG);
        EXPECT_EQ(CoRegisterClassObject(kWidgetClass, &factory, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, nullptr),
                  E_INVALIDARG);
        EXPECT_EQ(CoCreateInstance(kWidgetClass, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr),
                  E_POINTER);
        EXPECT_EQ(CoDisconnectObject(nullptr, 0), E_INVALIDARG);
        EXPECT_EQ(CoDisconnectObject(&factory, 0), S_OK);
        EXPECT_EQ(factory.refs(), 1u);
        CoUninitialize();
    });
}

TEST(ClassObjects, LeaveWithTheApartmentThatRegisteredThem)
{
    WidgetFactory factory;
    onNewThread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        DWORD cookie = 0;
        ASSERT_EQ(CoRegisterClassObject(kWidgetClass, &factory, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie),
                  S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        CoUninitialize();
        EXPECT_EQ(factory.refs(), 2u) << "still initialized once";
        CoUninitialize();
        EXPECT_EQ(factory.refs(), 1u);
    });
    onNewThread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        DWORD cookie = 0;
        ASSERT_EQ(CoRegisterClassObject(kWidgetClass, &factory, CLSCTX_LOCAL_SERVER,
                                        REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &cookie),
                  S_OK);
        EXPECT_EQ(CoResumeClassObjects(), S_OK);
        CoUninitialize();
        EXPECT_EQ(factory.refs(), 1u);
    });
}

TEST(ClassObjects, ActivateWhileAnotherThreadRegisters)
{
    constexpr int kCreators = 3;
    constexpr int kRounds = 300;
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    WidgetFactory widgets, churning;
    DWORD widgetCookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kWidgetClass, &widgets, CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &widgetCookie),
              S_OK);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int round = 0; round < kRounds; ++round) {
            DWORD cookie = 0;
            if (CoRegisterClassObject(kUnknownClass, &churning, CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie) != S_OK ||
                CoRevokeClassObject(cookie) != S_OK)
                ++failures;
        }
    });
    for (int t = 0; t < kCreators; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                ComPtr<IPersist> created;
                if (CoCreateInstance(kWidgetClass, nullptr, CLSCTX_ALL, IID_IPersist,
                                     created.putVoid()) != S_OK)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(widgets.m_created.load(), kCreators * kRounds);
    EXPECT_EQ(widgets.m_widget.refs(), 1u);
    EXPECT_EQ(churning.refs(), 1u);
    EXPECT_EQ(CoRevokeClassObject(widgetCookie), S_OK);
    EXPECT_EQ(widgets.refs(), 1u);
    CoUninitialize();
}

TEST(StorageMedium, ReleaseFreesTheContentsOrHandsThemToTheirOwner)
{
    STGMEDIUM owned{};
    owned.tymed = TYMED_HGLOBAL;
    owned.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 64);
    ASSERT_NE(owned.hGlobal, nullptr);
    HGLOBAL freed = owned.hGlobal;
    ReleaseStgMedium(&owned);
    EXPECT_EQ(owned.tymed, static_cast<DWORD>(TYMED_NULL));
    EXPECT_EQ(GlobalFree(freed), freed) << "the block is gone already";

    Widget owner;
    STGMEDIUM lent{};
    lent.tymed = TYMED_HGLOBAL;
    lent.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 64);
    lent.pUnkForRelease = &owner;
    owner.AddRef();
    HGLOBAL kept = lent.hGlobal;
    ReleaseStgMedium(&lent);
    EXPECT_EQ(owner.refs(), 1u) << "the owner's reference is returned";
    EXPECT_EQ(lent.pUnkForRelease, nullptr);
    EXPECT_EQ(GlobalSize(kept), 64u) << "the owner frees its block itself";
    EXPECT_EQ(GlobalFree(kept), nullptr);
}

TEST(ComPtr, OwnsOneReferenceEach)
{
    Widget widget;
    {
        ComPtr<IPersist> first(&widget);
        EXPECT_EQ(widget.refs(), 2u);
        ComPtr<IPersist> copy = first;
        EXPECT_EQ(widget.refs(), 3u);
        ComPtr<IPersist> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(widget.refs(), 3u);
        EXPECT_TRUE(moved == first);
        moved = nullptr;
        EXPECT_EQ(widget.refs(), 2u);

        IPersist* handedOut = nullptr;
        EXPECT_EQ(first.copyTo(&handedOut), S_OK);
        EXPECT_EQ(handedOut, &widget);
        EXPECT_EQ(widget.refs(), 3u);
        EXPECT_EQ(first.copyTo(nullptr), E_POINTER);

        ComPtr<IPersist> adopted;
        adopted.attach(handedOut);
        EXPECT_EQ(widget.refs(), 3u) << "attach takes over the reference";
        IPersist* detached = adopted.detach();
        EXPECT_FALSE(adopted);
        detached->Release();
        EXPECT_EQ(widget.refs(), 2u);
    }
    EXPECT_EQ(widget.refs(), 1u);
}

TEST(ComPtr, QueriesOtherInterfacesAndFillsOutParameters)
{
    Widget widget;
    ComPtr<IPersist> persist(&widget);
    ComPtr<IUnknown> unknown = persist.as<IUnknown>(IID_IUnknown);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(widget.refs(), 3u);
    EXPECT_FALSE(persist.as<IDataObject>(IID_IDataObject));
    EXPECT_FALSE(ComPtr<IPersist>().as<IUnknown>(IID_IUnknown));

    // put() releases what the pointer held before the callee fills it.
    EXPECT_EQ(widget.QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    EXPECT_EQ(widget.refs(), 3u);
    unknown.reset();
    persist.reset();
    EXPECT_EQ(widget.refs(), 1u);
}

} // namespace
