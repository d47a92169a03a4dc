// Item properties: the eight properties every tag offers, their values straight from the tag
// store, and what a client gets for unknown items and properties.
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "platform/variant.h"
#include "support/times.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using vetrel::Variant;
using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ComPtr;
using vetrel::test::takeText;
using vetrel::test::TraceRecorder;
using vetrel::test::wide;

struct Properties
{
    HRESULT result;
    std::vector<Variant> values;
    std::vector<HRESULT> errors;
};

class ItemProperties : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_properties =
            ComPtr<IOPCServer>(m_client.server()).as<IOPCItemProperties>(IID_IOPCItemProperties);
        ASSERT_TRUE(m_properties);
    }
    void TearDown() override
    {
        for (DWORD tag : m_tags) RemoveTag(tag);
    }

    DWORD tag(const std::string& name, const VARIANT& value, bool writable = true)
    {
        const DWORD handle = CreateTagA(name.c_str(), value, 0xC0, writable);
        EXPECT_NE(handle, 0xFFFFFFFFu) << name;
        m_tags.push_back(handle);
        return handle;
    }

    Properties get(const std::string& item, const std::vector<DWORD>& ids)
    {
        VARIANT* values = nullptr;
        HRESULT* errors = nullptr;
        std::vector<DWORD> requested = ids;
        Properties got{m_properties->GetItemProperties(wide(item).data(),
                                                       static_cast<DWORD>(ids.size()),
                                                       requested.data(), &values, &errors),
                       {},
                       {}};
        if (got.result != S_OK) {
            EXPECT_EQ(values, nullptr);
            EXPECT_EQ(errors, nullptr);
            return got;
        }
        for (size_t i = 0; i < ids.size(); ++i) {
            got.values.push_back(Variant::attach(values[i]));
            got.errors.push_back(errors[i]);
        }
        CoTaskMemFree(values);
        CoTaskMemFree(errors);
        return got;
    }

    // The one value of one property, which must be there.
    Variant value(const std::string& item, DWORD id)
    {
        Properties got = get(item, {id});
        EXPECT_EQ(got.result, S_OK);
        if (got.values.empty()) return {};
        EXPECT_EQ(got.errors[0], S_OK);
        return std::move(got.values[0]);
    }

    HRESULT available(const std::string& item, DWORD& count, DWORD*& ids, LPWSTR*& descriptions,
                      VARTYPE*& types)
    {
        return m_properties->QueryAvailableProperties(wide(item).data(), &count, &ids,
                                                      &descriptions, &types);
    }

    ClientConnection m_client;
    ComPtr<IOPCItemProperties> m_properties;
    std::vector<DWORD> m_tags;
};

TEST_F(ItemProperties, EveryTagOffersTheSameEightWithValueAnnouncedAsR4)
{
    tag("Props.Count", vetrel::test::i4(7));
    DWORD count = 0;
    DWORD* ids = nullptr;
    LPWSTR* descriptions = nullptr;
    VARTYPE* types = nullptr;
    ASSERT_EQ(available("Props.Count", count, ids, descriptions, types), S_OK);
    ASSERT_EQ(count, 8u);
    const DWORD expectedIds[] = {1, 2, 3, 4, 5, 6, 100, 101};
    const char* expectedDescriptions[] = {
        "Item Canonical Data Type", "Item Value",       "Item Quality", "Item Timestamp",
        "Item Access Rights",       "Server Scan Rate", "EU Units",     "Item Description"};
    const VARTYPE expectedTypes[] = {VT_I2, VT_R4, VT_I2, VT_DATE, VT_I4, VT_R4, VT_BSTR, VT_BSTR};
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(ids[i], expectedIds[i]) << i;
        EXPECT_EQ(takeText(descriptions[i]), expectedDescriptions[i]) << i;
        EXPECT_EQ(types[i], expectedTypes[i]) << i;
    }
    CoTaskMemFree(ids);
    CoTaskMemFree(descriptions);
    CoTaskMemFree(types);
    EXPECT_EQ(m_properties->QueryAvailableProperties(wide("Props.Count").data(), &count, &ids,
                                                     nullptr, &types),
              E_INVALIDARG);
}

TEST_F(ItemProperties, ValuesComeFromTheTagInItsOwnTerms)
{
    const DWORD counter = tag("Props.Count", vetrel::test::i4(7));
    tag("Props.Fixed", vetrel::test::r4(2.5f), false);
    // Bytes are widened one to one: 0x80 stays 0x80, not the euro sign of the code page.
    ASSERT_TRUE(SetTagPropertiesA(counter, "Flow \x80", "m\xB3/h"));

    const Properties got = get("Props.Count", {1, 2, 3, 5, 6, 100, 101});
    ASSERT_EQ(got.result, S_OK);
    for (const HRESULT error : got.errors) EXPECT_EQ(error, S_OK);
    EXPECT_EQ(got.values[0].type(), VT_I2);
    EXPECT_EQ(got.values[0].get().iVal, VT_I4) << "the canonical type is the value's own";
    EXPECT_EQ(got.values[1].type(), VT_I4);
    EXPECT_EQ(got.values[1].get().lVal, 7);
    EXPECT_EQ(got.values[2].type(), VT_I2);
    EXPECT_EQ(got.values[2].get().iVal, 0xC0);
    EXPECT_EQ(got.values[3].type(), VT_I4);
    EXPECT_EQ(got.values[3].get().lVal, 3) << "writable";
    EXPECT_EQ(got.values[4].type(), VT_R4);
    EXPECT_EQ(got.values[4].get().fltVal, 10.0f) << "whatever the runtime's rate";
    ASSERT_EQ(got.values[5].type(), VT_BSTR);
    EXPECT_EQ(vetrel::test::narrow(got.values[5].get().bstrVal), "m\xB3/h");
    ASSERT_EQ(got.values[6].type(), VT_BSTR);
    const BSTR description = got.values[6].get().bstrVal;
    ASSERT_EQ(SysStringLen(description), 6u);
    EXPECT_EQ(description[5], 0x80);

    EXPECT_EQ(value("Props.Fixed", 5).get().lVal, 1) << "read-only";
    const Variant units = value("Props.Fixed", 100);
    ASSERT_EQ(units.type(), VT_BSTR);
    ASSERT_NE(units.get().bstrVal, nullptr) << "texts never set are empty strings";
    EXPECT_EQ(SysStringLen(units.get().bstrVal), 0u);
    // A top-level branch is found by its name and reads as a fresh record.
    EXPECT_EQ(value("Props", 2).get().fltVal, 0.0f);
    EXPECT_EQ(value("Props", 3).get().iVal, 0x40);
}

TEST_F(ItemProperties, UnknownIdsFailTheirOwnEntryOnly)
{
    tag("Props.Count", vetrel::test::i4(7));
    const Properties got = get("Props.Count", {1, 7, 101, 0, 99, 102, 0xFFFFFFFF});
    ASSERT_EQ(got.result, S_OK);
    const HRESULT expected[] = {S_OK,
                                OPC_E_INVALID_PID,
                                S_OK,
                                OPC_E_INVALID_PID,
                                OPC_E_INVALID_PID,
                                OPC_E_INVALID_PID,
                                OPC_E_INVALID_PID};
    const VARTYPE types[] = {VT_I2, VT_EMPTY, VT_BSTR, VT_EMPTY, VT_EMPTY, VT_EMPTY, VT_EMPTY};
    for (size_t i = 0; i < got.errors.size(); ++i) {
        EXPECT_EQ(got.errors[i], expected[i]) << i;
        EXPECT_EQ(got.values[i].type(), types[i]) << i;
    }
    EXPECT_EQ(get("Props.Count", {}).result, S_OK);
    VARIANT* values = nullptr;
    HRESULT* errors = nullptr;
    EXPECT_EQ(
        m_properties->GetItemProperties(wide("Props.Count").data(), 2, nullptr, &values, &errors),
        E_INVALIDARG);
}

TEST_F(ItemProperties, UnknownItemsAnswerUnknownItemIdAndAllocateNothing)
{
    tag("Props.Count", vetrel::test::i4(7));
    for (const char* unknown : {"No.Such", "props.count", "Props.Count.", ""}) {
        DWORD count = 5;
        DWORD* ids = reinterpret_cast<DWORD*>(&count);
        LPWSTR* descriptions = nullptr;
        VARTYPE* types = nullptr;
        {
            // Whatever the call allocated would take the failure meant for the probe below.
            TaskAllocationFault fault(1);
            EXPECT_EQ(available(unknown, count, ids, descriptions, types), OPC_E_UNKNOWNITEMID);
            EXPECT_EQ(get(unknown, {1}).result, OPC_E_UNKNOWNITEMID);
            void* probe = CoTaskMemAlloc(1);
            EXPECT_EQ(probe, nullptr) << unknown;
            CoTaskMemFree(probe);
        }
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(ids, nullptr);
    }
    VARIANT* values = nullptr;
    HRESULT* errors = nullptr;
    DWORD id = 1;
    EXPECT_EQ(m_properties->GetItemProperties(nullptr, 1, &id, &values, &errors),
              OPC_E_UNKNOWNITEMID);
}

TEST_F(ItemProperties, RunningOutOfMemoryFreesEveryArray)
{
    tag("Props.Count", vetrel::test::i4(7));
    // Three arrays and eight descriptions: each allocation in turn fails the whole answer.
    for (unsigned failing = 1; failing <= 11; ++failing) {
        DWORD count = 0;
        DWORD* ids = nullptr;
        LPWSTR* descriptions = nullptr;
        VARTYPE* types = nullptr;
        TaskAllocationFault fault(failing);
        EXPECT_EQ(available("Props.Count", count, ids, descriptions, types), E_OUTOFMEMORY)
            << failing;
        EXPECT_EQ(descriptions, nullptr) << failing;
        EXPECT_EQ(count, 0u) << failing;
    }
    for (unsigned failing = 1; failing <= 2; ++failing) {
        TaskAllocationFault fault(failing);
        EXPECT_EQ(get("Props.Count", {1, 2}).result, E_OUTOFMEMORY) << failing;
    }
}

TEST_F(ItemProperties, LookupItemIDsIsNotOffered)
{
    tag("Props.Count", vetrel::test::i4(7));
    DWORD id = 100;
    LPWSTR* itemIDs = reinterpret_cast<LPWSTR*>(&id);
    HRESULT* errors = reinterpret_cast<HRESULT*>(&id);
    EXPECT_EQ(m_properties->LookupItemIDs(wide("Props.Count").data(), 1, &id, &itemIDs, &errors),
              E_NOTIMPL);
    EXPECT_EQ(itemIDs, nullptr);
    EXPECT_EQ(errors, nullptr);
    EXPECT_EQ(m_properties->LookupItemIDs(nullptr, 0, nullptr, nullptr, nullptr), E_NOTIMPL);
}

TEST_F(ItemProperties, MethodsAndForwardedReferencesSendTheirTraceLines)
{
    tag("Props.Count", vetrel::test::i4(7));
    auto& trace = TraceRecorder::start();
    DWORD count = 0;
    DWORD* ids = nullptr;
    LPWSTR* descriptions = nullptr;
    VARTYPE* types = nullptr;
    available("No.Such", count, ids, descriptions, types);
    get("No.Such", {1});
    m_properties->LookupItemIDs(nullptr, 0, nullptr, nullptr, nullptr);
    m_properties->AddRef();
    m_properties->Release();
    void* refused = nullptr;
    m_properties->QueryInterface(IID_IEnumString, &refused);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "CIOPCItemProperties::QueryAvailableProperties",
                                 "CIOPCItemProperties::GetItemProperties",
                                 "CIOPCItemProperties::LookupItemIDs",
                                 "IOPCItemProperties::AddRef() [defered to OPCServer]",
                                 "OPCServer::AddRef(3)",
                                 "IOPCItemProperties::Release() [defered to OPCServer]",
                                 "OPCServer::Release(3)",
                                 "IOPCItemProperties::QueryInterface() [defered to OPCServer]",
                                 "OPCServer::QueryInterface",
                             }));
}

TEST_F(ItemProperties, ReadsWhileTheHostReplacesTheTag)
{
    tag("Props.Keep", vetrel::test::i4(1));
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    std::thread reader([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const auto item = wide("Props.Churn");
        std::vector<DWORD> ids = {2, 100, 101};
        while (!done) {
            VARIANT* values = nullptr;
            HRESULT* errors = nullptr;
            const HRESULT hr = m_properties->GetItemProperties(const_cast<LPWSTR>(item.c_str()), 3,
                                                               ids.data(), &values, &errors);
            if (hr == S_OK) {
                for (int i = 0; i < 3; ++i) VariantClear(&values[i]);
                CoTaskMemFree(values);
                CoTaskMemFree(errors);
            } else if (hr != OPC_E_UNKNOWNITEMID) {
                ++unexpected;
            }
        }
        CoUninitialize();
    });
    for (int i = 0; i < 300; ++i) {
        VARIANT text = vetrel::test::bstr("value " + std::to_string(i));
        const DWORD churn = CreateTagA("Props.Churn", text, 0xC0, TRUE);
        VariantClear(&text);
        SetTagPropertiesA(churn, "a description long enough to need the heap", "units");
        RemoveTag(churn);
    }
    done = true;
    reader.join();
    EXPECT_EQ(unexpected.load(), 0);
}

} // namespace
