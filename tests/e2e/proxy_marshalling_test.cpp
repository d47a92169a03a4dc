// The proxy/stub DLL carries every shape of parameter the OPC interfaces use: a client thread
// in a single-threaded apartment calls objects of the multithreaded apartment, so each call is
// marshalled by our proxy and unmarshalled by our stub. Interfaces the example host does not
// serve yet (browsing, properties, Common, Alarms and Events, the callbacks) are checked here
// with objects of the test's own.
#include "host_process.h"
#include "opc_client.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using e2e::takeText;

// A stand-in server or sink object: IUnknown for one interface, owned by the test's stack.
template <typename Interface> class Fake : public Interface
{
public:
    explicit Fake(const IID& iid) : m_iid(iid) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, m_iid)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_references); }

private:
    const IID& m_iid;
    LONG m_references = 1;
};

// Runs `call` on another thread, in a single-threaded apartment, with a proxy of `object`.
// Only the test's main thread may report to GoogleTest here: `call` records what it gets and
// the test checks it after the thread is done.
template <typename Interface, typename Call>
void throughProxy(Interface* object, const IID& iid, Call call)
{
    IStream* stream = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(iid, object, &stream), S_OK);
    HRESULT unmarshalled = E_FAIL;
    bool proxied = false;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Interface* proxy = nullptr;
        unmarshalled =
            CoGetInterfaceAndReleaseStream(stream, iid, reinterpret_cast<void**>(&proxy));
        if (proxy) {
            proxied = static_cast<void*>(proxy) != static_cast<void*>(object);
            call(proxy);
            proxy->Release();
        }
        CoUninitialize();
    }).join();
    ASSERT_EQ(unmarshalled, S_OK);
    ASSERT_TRUE(proxied) << "the call did not go through a proxy";
}

// Server memory for one string, as a server hands it out.
LPWSTR serverText(std::string_view text)
{
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    for (size_t i = 0; i < text.size(); ++i) copy[i] = static_cast<WCHAR>(text[i]);
    copy[text.size()] = 0;
    return copy;
}

std::string clientText(LPCWSTR text)
{
    std::string result;
    for (; text && *text; ++text) result += static_cast<char>(*text);
    return result;
}

template <typename T> T* serverArray(std::initializer_list<T> items)
{
    auto* array = static_cast<T*>(CoTaskMemAlloc(items.size() * sizeof(T)));
    std::copy(items.begin(), items.end(), array);
    return array;
}

struct FakeCommon : Fake<IOPCCommon>
{
    FakeCommon() : Fake(IID_IOPCCommon) {}
    HRESULT STDMETHODCALLTYPE SetLocaleID(LCID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD* count, LCID** locales) override
    {
        *count = 2;
        *locales = serverArray<LCID>({0x0409, 0x0407});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT, LPWSTR* text) override
    {
        *text = serverText("common error text");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR name) override
    {
        clientName = clientText(name);
        return S_OK;
    }
    std::string clientName;
};

struct FakeBrowser : Fake<IOPCBrowseServerAddressSpace>
{
    FakeBrowser() : Fake(IID_IOPCBrowseServerAddressSpace) {}
    HRESULT STDMETHODCALLTYPE QueryOrganization(OPCNAMESPACETYPE* type) override
    {
        *type = OPC_NS_HIERARCHIAL;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCBROWSEDIRECTION direction,
                                                   LPCWSTR name) override
    {
        position = std::to_string(direction) + ":" + clientText(name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BrowseOPCItemIDs(OPCBROWSETYPE, LPCWSTR, VARTYPE, DWORD,
                                               IEnumString**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetItemID(LPWSTR leaf, LPWSTR* itemId) override
    {
        *itemId = serverText("Plant.Area." + clientText(leaf));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BrowseAccessPaths(LPCWSTR, IEnumString**) override
    {
        return E_NOTIMPL;
    }
    std::string position;
};

struct FakeProperties : Fake<IOPCItemProperties>
{
    FakeProperties() : Fake(IID_IOPCItemProperties) {}
    HRESULT STDMETHODCALLTYPE QueryAvailableProperties(LPWSTR, DWORD* count, DWORD** ids,
                                                       LPWSTR** descriptions,
                                                       VARTYPE** types) override
    {
        *count = 2;
        *ids = serverArray<DWORD>({1, 101});
        *descriptions = serverArray<LPWSTR>(
            {serverText("Item Canonical DataType"), serverText("Item Description")});
        *types = serverArray<VARTYPE>({VT_I2, VT_BSTR});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemProperties(LPWSTR, DWORD, DWORD*, VARIANT**,
                                                HRESULT**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LookupItemIDs(LPWSTR item, DWORD count, DWORD* ids, LPWSTR** itemIds,
                                            HRESULT** errors) override
    {
        *itemIds = static_cast<LPWSTR*>(CoTaskMemAlloc(count * sizeof(LPWSTR)));
        *errors = static_cast<HRESULT*>(CoTaskMemAlloc(count * sizeof(HRESULT)));
        for (DWORD i = 0; i < count; ++i) {
            const bool known = ids[i] == 101;
            (*itemIds)[i] = known ? serverText(clientText(item) + ".Description") : nullptr;
            (*errors)[i] = known ? S_OK : static_cast<HRESULT>(0xC0040203);
        }
        return S_OK;
    }
};

struct FakeServerList : Fake<IOPCServerList2>
{
    FakeServerList() : Fake(IID_IOPCServerList2) {}
    HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG, GUID*, ULONG, GUID*,
                                                      IOPCEnumGUID**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID, LPOLESTR* progId, LPOLESTR* userType,
                                              LPOLESTR* independentProgId) override
    {
        *progId = serverText("Vendor.Server.2");
        *userType = serverText("Vendor Server");
        *independentProgId = serverText("Vendor.Server");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR, LPCLSID clsid) override
    {
        *clsid = IID_IOPCServer;
        return S_OK;
    }
};

struct FakeAreaBrowser : Fake<IOPCEventAreaBrowser>
{
    FakeAreaBrowser() : Fake(IID_IOPCEventAreaBrowser) {}
    HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCAEBROWSEDIRECTION, LPCWSTR) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BrowseOPCAreas(OPCAEBROWSETYPE, LPCWSTR, IEnumString**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetQualifiedAreaName(LPCWSTR area, LPWSTR* qualified) override
    {
        *qualified = serverText("Areas." + clientText(area));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetQualifiedSourceName(LPCWSTR source, LPWSTR* qualified) override
    {
        *qualified = serverText("Sources." + clientText(source));
        return S_OK;
    }
};

struct RecordingDataCallback : Fake<IOPCDataCallback>
{
    RecordingDataCallback() : Fake(IID_IOPCDataCallback) {}
    HRESULT STDMETHODCALLTYPE OnDataChange(DWORD transaction, OPCHANDLE group, HRESULT quality,
                                           HRESULT error, DWORD count, OPCHANDLE* items,
                                           VARIANT* values, WORD* qualities, FILETIME* times,
                                           HRESULT* errors) override
    {
        transactionId = transaction;
        groupHandle = group;
        masterQuality = quality;
        masterError = error;
        for (DWORD i = 0; i < count; ++i) {
            clientHandles.push_back(items[i]);
            received.emplace_back(values[i]);
            itemQualities.push_back(qualities[i]);
            timestamps.push_back(times[i].dwLowDateTime);
            itemErrors.push_back(errors[i]);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD, OPCHANDLE*,
                                             VARIANT*, WORD*, FILETIME*, HRESULT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD, OPCHANDLE, HRESULT, DWORD count,
                                              OPCHANDLE* items, HRESULT* errors) override
    {
        for (DWORD i = 0; i < count; ++i) writeErrors.emplace_back(items[i], errors[i]);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD, OPCHANDLE) override { return E_NOTIMPL; }

    DWORD transactionId = 0;
    OPCHANDLE groupHandle = 0;
    HRESULT masterQuality = E_FAIL, masterError = E_FAIL;
    std::vector<OPCHANDLE> clientHandles;
    std::vector<vetrel::Variant> received;
    std::vector<WORD> itemQualities;
    std::vector<DWORD> timestamps;
    std::vector<HRESULT> itemErrors;
    std::vector<std::pair<OPCHANDLE, HRESULT>> writeErrors;
};

struct RecordingEventSink : Fake<IOPCEventSink>
{
    RecordingEventSink() : Fake(IID_IOPCEventSink) {}
    HRESULT STDMETHODCALLTYPE OnEvent(OPCHANDLE subscription, BOOL refresh, BOOL, DWORD count,
                                      ONEVENTSTRUCT* events) override
    {
        subscriptionHandle = subscription;
        wasRefresh = refresh;
        for (DWORD i = 0; i < count; ++i) {
            sources.push_back(clientText(events[i].szSource));
            messages.push_back(clientText(events[i].szMessage));
            actors.push_back(events[i].szActorID ? clientText(events[i].szActorID) : "(none)");
            severities.push_back(events[i].dwSeverity);
            attributeCounts.push_back(events[i].dwNumEventAttrs);
            if (events[i].dwNumEventAttrs > 0)
                firstAttributes.emplace_back(events[i].pEventAttributes[0]);
        }
        return S_OK;
    }
    OPCHANDLE subscriptionHandle = 0;
    BOOL wasRefresh = FALSE;
    std::vector<std::string> sources, messages, actors;
    std::vector<DWORD> severities, attributeCounts;
    std::vector<vetrel::Variant> firstAttributes;
};

class ProxyMarshalling : public ::testing::Test
{
protected:
    e2e::Apartment m_apartment;
};

// What a client thread received through a proxy: results and texts in call order.
struct Received
{
    std::vector<HRESULT> results;
    std::vector<std::string> texts;
    std::vector<DWORD> numbers;

    void text(LPWSTR server) { texts.push_back(server ? takeText(server) : "(null)"); }
};

TEST_F(ProxyMarshalling, ServerStringsAndArraysReachTheClient)
{
    FakeCommon common;
    Received got;
    throughProxy<IOPCCommon>(&common, IID_IOPCCommon, [&](IOPCCommon* proxy) {
        LPWSTR text = nullptr;
        got.results.push_back(proxy->GetErrorString(E_FAIL, &text));
        got.text(text);
        DWORD count = 0;
        LCID* locales = nullptr;
        got.results.push_back(proxy->QueryAvailableLocaleIDs(&count, &locales));
        for (DWORD i = 0; i < count; ++i) got.numbers.push_back(locales[i]);
        CoTaskMemFree(locales);
        const auto name = e2e::wide("probe client");
        got.results.push_back(proxy->SetClientName(reinterpret_cast<LPCWSTR>(name.c_str())));
    });
    EXPECT_EQ(got.results, (std::vector<HRESULT>{S_OK, S_OK, S_OK}));
    EXPECT_EQ(got.texts, (std::vector<std::string>{"common error text"}));
    EXPECT_EQ(got.numbers, (std::vector<DWORD>{0x0409, 0x0407}));
    EXPECT_EQ(common.clientName, "probe client");

    FakeBrowser browser;
    got = {};
    throughProxy<IOPCBrowseServerAddressSpace>(
        &browser, IID_IOPCBrowseServerAddressSpace, [&](IOPCBrowseServerAddressSpace* proxy) {
            OPCNAMESPACETYPE type = OPC_NS_FLAT;
            got.results.push_back(proxy->QueryOrganization(&type));
            got.numbers.push_back(static_cast<DWORD>(type));
            const auto down = e2e::wide("Area");
            got.results.push_back(proxy->ChangeBrowsePosition(
                OPC_BROWSE_TO, reinterpret_cast<LPCWSTR>(down.c_str())));
            auto leaf = e2e::wide("Pump");
            LPWSTR itemId = nullptr;
            got.results.push_back(proxy->GetItemID(reinterpret_cast<LPWSTR>(leaf.data()), &itemId));
            got.text(itemId);
        });
    EXPECT_EQ(got.results, (std::vector<HRESULT>{S_OK, S_OK, S_OK}));
    EXPECT_EQ(got.numbers, (std::vector<DWORD>{OPC_NS_HIERARCHIAL}));
    EXPECT_EQ(got.texts, (std::vector<std::string>{"Plant.Area.Pump"}));
    EXPECT_EQ(browser.position, "3:Area");

    FakeProperties properties;
    got = {};
    throughProxy<IOPCItemProperties>(
        &properties, IID_IOPCItemProperties, [&](IOPCItemProperties* proxy) {
            auto item = e2e::wide("Tank");
            DWORD count = 0;
            DWORD* ids = nullptr;
            LPWSTR* descriptions = nullptr;
            VARTYPE* types = nullptr;
            got.results.push_back(proxy->QueryAvailableProperties(
                reinterpret_cast<LPWSTR>(item.data()), &count, &ids, &descriptions, &types));
            for (DWORD i = 0; i < count; ++i) {
                got.numbers.push_back(ids[i]);
                got.numbers.push_back(types[i]);
                got.text(descriptions[i]);
            }
            CoTaskMemFree(ids);
            CoTaskMemFree(descriptions);
            CoTaskMemFree(types);

            DWORD asked[] = {101, 5000};
            LPWSTR* itemIds = nullptr;
            HRESULT* errors = nullptr;
            got.results.push_back(proxy->LookupItemIDs(reinterpret_cast<LPWSTR>(item.data()), 2,
                                                       asked, &itemIds, &errors));
            for (DWORD i = 0; itemIds && errors && i < 2; ++i) {
                got.text(itemIds[i]);
                got.results.push_back(errors[i]);
            }
            CoTaskMemFree(itemIds);
            CoTaskMemFree(errors);
        });
    EXPECT_EQ(got.results,
              (std::vector<HRESULT>{S_OK, S_OK, S_OK, static_cast<HRESULT>(0xC0040203)}));
    EXPECT_EQ(got.numbers, (std::vector<DWORD>{1, VT_I2, 101, VT_BSTR}));
    EXPECT_EQ(got.texts, (std::vector<std::string>{"Item Canonical DataType", "Item Description",
                                                   "Tank.Description", "(null)"}));

    FakeServerList list;
    got = {};
    CLSID found{};
    throughProxy<IOPCServerList2>(&list, IID_IOPCServerList2, [&](IOPCServerList2* proxy) {
        LPOLESTR progId = nullptr, userType = nullptr, independent = nullptr;
        got.results.push_back(
            proxy->GetClassDetails(IID_IOPCServer, &progId, &userType, &independent));
        got.text(progId);
        got.text(userType);
        got.text(independent);
        const auto name = e2e::wide("Vendor.Server");
        got.results.push_back(
            proxy->CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(name.c_str()), &found));
    });
    EXPECT_EQ(got.results, (std::vector<HRESULT>{S_OK, S_OK}));
    EXPECT_EQ(got.texts,
              (std::vector<std::string>{"Vendor.Server.2", "Vendor Server", "Vendor.Server"}));
    EXPECT_TRUE(IsEqualGUID(found, IID_IOPCServer));

    FakeAreaBrowser areas;
    got = {};
    throughProxy<IOPCEventAreaBrowser>(
        &areas, IID_IOPCEventAreaBrowser, [&](IOPCEventAreaBrowser* proxy) {
            const auto name = e2e::wide("Boiler");
            LPWSTR area = nullptr, source = nullptr;
            got.results.push_back(
                proxy->GetQualifiedAreaName(reinterpret_cast<LPCWSTR>(name.c_str()), &area));
            got.text(area);
            got.results.push_back(
                proxy->GetQualifiedSourceName(reinterpret_cast<LPCWSTR>(name.c_str()), &source));
            got.text(source);
        });
    EXPECT_EQ(got.results, (std::vector<HRESULT>{S_OK, S_OK}));
    EXPECT_EQ(got.texts, (std::vector<std::string>{"Areas.Boiler", "Sources.Boiler"}));
}

TEST_F(ProxyMarshalling, CallbacksCarryEveryItemToTheClientSink)
{
    RecordingDataCallback sink;
    std::vector<HRESULT> results;
    throughProxy<IOPCDataCallback>(&sink, IID_IOPCDataCallback, [&](IOPCDataCallback* proxy) {
        OPCHANDLE items[] = {10, 11, 12};
        VARIANT values[3];
        for (VARIANT& value : values) VariantInit(&value);
        values[0].vt = VT_R4;
        values[0].fltVal = 2.5f;
        values[1].vt = VT_BSTR;
        const auto text = e2e::wide("running");
        values[1].bstrVal = SysAllocString(text.c_str());
        values[2].vt = VT_ARRAY | VT_I4;
        values[2].parray = SafeArrayCreateVector(VT_I4, 0, 2);
        WORD qualities[] = {0xC0, 0x40, 0x08};
        FILETIME times[] = {{100, 1}, {200, 1}, {300, 1}};
        HRESULT errors[] = {S_OK, S_OK, static_cast<HRESULT>(0xC0040004)};
        results.push_back(
            proxy->OnDataChange(7, 99, S_FALSE, S_OK, 3, items, values, qualities, times, errors));
        OPCHANDLE written[] = {10};
        HRESULT writeErrors[] = {static_cast<HRESULT>(0xC0040006)};
        results.push_back(proxy->OnWriteComplete(8, 99, S_FALSE, 1, written, writeErrors));
        for (VARIANT& value : values) VariantClear(&value);
    });
    EXPECT_EQ(results, (std::vector<HRESULT>{S_OK, S_OK}));
    EXPECT_EQ(sink.transactionId, 7u);
    EXPECT_EQ(sink.groupHandle, 99u);
    EXPECT_EQ(sink.masterQuality, S_FALSE);
    ASSERT_EQ(sink.received.size(), 3u);
    EXPECT_EQ(sink.clientHandles, (std::vector<OPCHANDLE>{10, 11, 12}));
    EXPECT_EQ(sink.received[0].get().fltVal, 2.5f);
    EXPECT_EQ(clientText(sink.received[1].get().bstrVal), "running");
    EXPECT_EQ(sink.received[2].type(), VT_ARRAY | VT_I4);
    EXPECT_EQ(sink.itemQualities, (std::vector<WORD>{0xC0, 0x40, 0x08}));
    EXPECT_EQ(sink.timestamps, (std::vector<DWORD>{100, 200, 300}));
    EXPECT_EQ(sink.itemErrors[2], static_cast<HRESULT>(0xC0040004));
    ASSERT_EQ(sink.writeErrors.size(), 1u);
    EXPECT_EQ(sink.writeErrors[0].second, static_cast<HRESULT>(0xC0040006));

    RecordingEventSink events;
    results.clear();
    throughProxy<IOPCEventSink>(&events, IID_IOPCEventSink, [&](IOPCEventSink* proxy) {
        auto source = e2e::wide("Tank.Level");
        auto message = e2e::wide("Level high");
        auto actor = e2e::wide("operator");
        VARIANT attribute;
        VariantInit(&attribute);
        attribute.vt = VT_R8;
        attribute.dblVal = 97.5;
        ONEVENTSTRUCT sent[2] = {};
        sent[0].szSource = reinterpret_cast<LPWSTR>(source.data());
        sent[0].szMessage = reinterpret_cast<LPWSTR>(message.data());
        sent[0].dwSeverity = 700;
        sent[0].dwNumEventAttrs = 1;
        sent[0].pEventAttributes = &attribute;
        sent[0].szActorID = reinterpret_cast<LPWSTR>(actor.data());
        sent[1].szSource = reinterpret_cast<LPWSTR>(source.data());
        sent[1].szMessage = reinterpret_cast<LPWSTR>(message.data());
        sent[1].dwSeverity = 100;
        results.push_back(proxy->OnEvent(5, TRUE, TRUE, 2, sent));
    });
    EXPECT_EQ(results, (std::vector<HRESULT>{S_OK}));
    EXPECT_EQ(events.subscriptionHandle, 5u);
    EXPECT_TRUE(events.wasRefresh);
    EXPECT_EQ(events.sources, (std::vector<std::string>{"Tank.Level", "Tank.Level"}));
    EXPECT_EQ(events.messages[0], "Level high");
    EXPECT_EQ(events.actors, (std::vector<std::string>{"operator", "(none)"}));
    EXPECT_EQ(events.severities, (std::vector<DWORD>{700, 100}));
    EXPECT_EQ(events.attributeCounts, (std::vector<DWORD>{1, 0}));
    ASSERT_EQ(events.firstAttributes.size(), 1u);
    EXPECT_EQ(events.firstAttributes[0].get().dblVal, 97.5);
}

} // namespace
