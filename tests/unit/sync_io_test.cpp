// Synchronous reads and writes of a group's items, and the tag updates that reads see.
#include "fixtures/host_recorder.h"
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "support/times.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using vetrel::Variant;
using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::fileTime;
using vetrel::test::HostRecorder;
using vetrel::test::narrow;
using vetrel::test::TraceRecorder;

constexpr WORD kGood = 0xC0;
constexpr WORD kUncertain = 0x40;

Variant owned(VARIANT value)
{
    return Variant::attach(value);
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return CompareFileTime(&a, &b) == 0;
}

// Each test has a tag of its own, named after the test, and one group.
class SyncIO : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_tagName =
            std::string("Sync.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_tag = CreateTagA(m_tagName.c_str(), vetrel::test::r4(1.5f), kGood, TRUE);
        ASSERT_NE(m_tag, 0xFFFFFFFFu);
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Sync");
    }
    void TearDown() override { RemoveTag(m_tag); }

    OPCHANDLE addItem(const ClientGroup& group, VARTYPE requested = VT_EMPTY)
    {
        return group.addItem({m_tagName, "", requested, TRUE, 42});
    }

    std::string m_tagName;
    DWORD m_tag = 0;
    ClientConnection m_client;
    ClientGroup m_group;
};

TEST_F(SyncIO, ReadDeliversTheRequestedTypeFromEitherSource)
{
    const OPCHANDLE text = addItem(m_group, VT_BSTR);
    const OPCHANDLE plain = addItem(m_group);
    ASSERT_TRUE(UpdateTag(m_tag, vetrel::test::r4(2.5f), kUncertain));
    for (const OPCDATASOURCE source : {OPC_DS_CACHE, OPC_DS_DEVICE}) {
        HRESULT result = E_FAIL;
        const auto values = m_group.read({text, plain}, source, &result);
        EXPECT_EQ(result, S_OK);
        ASSERT_EQ(values.size(), 2u);
        EXPECT_EQ(values[0].error, S_OK);
        EXPECT_EQ(values[0].clientHandle, 42u);
        ASSERT_EQ(values[0].value.type(), VT_BSTR);
        EXPECT_EQ(narrow(values[0].value.get().bstrVal), "2.5");
        EXPECT_EQ(values[0].quality, kUncertain);
        ASSERT_EQ(values[1].value.type(), VT_R4);
        EXPECT_EQ(values[1].value.get().fltVal, 2.5f);
    }
}

TEST_F(SyncIO, FailedConversionKeepsTheValueWithQualityZero)
{
    const OPCHANDLE item = addItem(m_group);
    VARTYPE number = VT_I4;
    OPCHANDLE handles[] = {item};
    HRESULT* errors = nullptr;
    ASSERT_EQ(m_group.items()->SetDatatypes(1, handles, &number, &errors), S_OK);
    EXPECT_EQ(errors[0], S_OK);
    CoTaskMemFree(errors);
    VARIANT text = vetrel::test::bstr("not a number");
    ASSERT_TRUE(UpdateTag(m_tag, text, kGood));
    VariantClear(&text);
    HRESULT result = E_FAIL;
    const auto values = m_group.read({item}, OPC_DS_CACHE, &result);
    EXPECT_EQ(result, S_OK);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].error, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(values[0].quality, 0);
    EXPECT_EQ(values[0].clientHandle, 42u);
    ASSERT_EQ(values[0].value.type(), VT_BSTR) << "the value in its own type";
    EXPECT_EQ(narrow(values[0].value.get().bstrVal), "not a number");
}

TEST_F(SyncIO, UnknownHandlesGetClearedEntries)
{
    const OPCHANDLE item = addItem(m_group);
    HRESULT result = E_FAIL;
    const auto values = m_group.read({item + 1, item, 0}, OPC_DS_CACHE, &result);
    EXPECT_EQ(result, S_OK);
    ASSERT_EQ(values.size(), 3u);
    for (const size_t unknown : {size_t{0}, size_t{2}}) {
        EXPECT_EQ(values[unknown].error, OPC_E_INVALIDHANDLE);
        EXPECT_EQ(values[unknown].clientHandle, 0u);
        EXPECT_EQ(values[unknown].quality, 0);
        EXPECT_EQ(values[unknown].timestamp.dwLowDateTime, 0u);
        EXPECT_EQ(values[unknown].timestamp.dwHighDateTime, 0u);
        EXPECT_EQ(values[unknown].value.type(), VT_EMPTY);
    }
    EXPECT_EQ(values[1].error, S_OK);
}

TEST_F(SyncIO, ReadsSeeEveryTagUpdate)
{
    const OPCHANDLE item = addItem(m_group);
    const FILETIME stamped = fileTime(2024, 3, 5, 10, 20, 30);
    ASSERT_TRUE(UpdateTagWithTimeStamp(m_tag, vetrel::test::i4(9), kUncertain, stamped));
    auto values = m_group.read({item});
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].value.get().lVal, 9);
    EXPECT_EQ(values[0].quality, kUncertain);
    EXPECT_TRUE(sameTime(values[0].timestamp, stamped));

    // Inactive groups and items keep following their tags.
    BOOL inactive = FALSE;
    ASSERT_EQ(
        m_group.state()->SetState(nullptr, nullptr, &inactive, nullptr, nullptr, nullptr, nullptr),
        S_OK);
    OPCHANDLE handles[] = {item};
    HRESULT* errors = nullptr;
    ASSERT_EQ(m_group.items()->SetActiveState(1, handles, FALSE, &errors), S_OK);
    CoTaskMemFree(errors);
    ASSERT_TRUE(UpdateTagByNameA(m_tagName.c_str(), vetrel::test::r4(6.0f), kGood));
    values = m_group.read({item});
    ASSERT_EQ(values[0].value.type(), VT_R4);
    EXPECT_EQ(values[0].value.get().fltVal, 6.0f);
    EXPECT_EQ(values[0].quality, kGood);
}

TEST_F(SyncIO, ItemsFollowTheirTagByName)
{
    const OPCHANDLE item = addItem(m_group);
    ASSERT_TRUE(UpdateTag(m_tag, vetrel::test::r4(3.0f), kGood));
    ASSERT_TRUE(RemoveTag(m_tag));
    auto values = m_group.read({item});
    EXPECT_EQ(values[0].value.get().fltVal, 3.0f) << "the last value stays";

    // A new tag of the same name feeds the items again.
    m_tag = CreateTagA(m_tagName.c_str(), vetrel::test::r4(0.0f), kGood, TRUE);
    ASSERT_TRUE(UpdateTag(m_tag, vetrel::test::r4(4.0f), kGood));
    values = m_group.read({item});
    EXPECT_EQ(values[0].value.get().fltVal, 4.0f);

    // Items of a group removed while referenced no longer follow.
    OPCHANDLE handle = 0;
    ClientGroup removed = m_client.addGroup("Removed", {}, &handle);
    const OPCHANDLE removedItem = addItem(removed);
    ASSERT_EQ(m_client.server()->RemoveGroup(handle, FALSE), S_OK);
    ASSERT_TRUE(UpdateTag(m_tag, vetrel::test::r4(5.0f), kGood));
    EXPECT_EQ(removed.read({removedItem})[0].value.get().fltVal, 4.0f);
    EXPECT_EQ(m_group.read({item})[0].value.get().fltVal, 5.0f);
}

TEST_F(SyncIO, WriteStoresIntoTheItemAndTheTagAndTellsTheHost)
{
    auto& host = HostRecorder::start();
    Variant readBack;
    host.onWrite([&readBack](DWORD tag) {
        // Inside the notification the host reads the value back, as hosts do.
        EXPECT_TRUE(ReadTag(tag, readBack.out()));
    });
    const OPCHANDLE item = addItem(m_group);
    ClientGroup other = m_client.addGroup("Other");
    const OPCHANDLE otherItem = addItem(other);

    const std::vector<Variant> values{owned(vetrel::test::bstr("12.5"))};
    HRESULT result = E_FAIL;
    EXPECT_EQ(m_group.write({item}, values, &result), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(host.writes(), std::vector<DWORD>{m_tag});
    ASSERT_EQ(readBack.type(), VT_R4) << "converted to the item's canonical type";
    EXPECT_EQ(readBack.get().fltVal, 12.5f);
    ASSERT_EQ(values[0].type(), VT_BSTR) << "the client's value is left as it was";
    EXPECT_EQ(narrow(values[0].get().bstrVal), "12.5");

    EXPECT_EQ(m_group.read({item})[0].value.get().fltVal, 12.5f);
    EXPECT_EQ(other.read({otherItem})[0].value.get().fltVal, 1.5f)
        << "other groups see the value once the host publishes it";
    ASSERT_TRUE(UpdateTag(m_tag, readBack.get(), kGood));
    EXPECT_EQ(other.read({otherItem})[0].value.get().fltVal, 12.5f);
}

TEST_F(SyncIO, WriteRefusesWhatTheItemCannotTake)
{
    auto& host = HostRecorder::start();
    const DWORD readOnly =
        CreateTagA((m_tagName + "ReadOnly").c_str(), vetrel::test::r4(1.0f), kGood, FALSE);
    const OPCHANDLE locked = m_group.addItem({m_tagName + "ReadOnly"});
    const OPCHANDLE item = addItem(m_group);
    std::vector<Variant> values;
    values.push_back(owned(vetrel::test::r4(2.0f)));
    values.push_back(owned(vetrel::test::bstr("abc")));
    values.push_back(owned(vetrel::test::r4(3.0f)));
    HRESULT result = E_FAIL;
    EXPECT_EQ(m_group.write({locked, item, item + 1}, values, &result),
              (std::vector<HRESULT>{OPC_E_BADTYPE, OPC_E_BADTYPE, OPC_E_INVALIDHANDLE}));
    EXPECT_EQ(result, S_OK);
    EXPECT_TRUE(host.writes().empty());
    EXPECT_EQ(m_group.read({item})[0].value.get().fltVal, 1.5f);
    RemoveTag(readOnly);
}

TEST_F(SyncIO, MissingArgumentsAndNoMemory)
{
    const OPCHANDLE item = addItem(m_group);
    OPCHANDLE handles[] = {item};
    OPCITEMSTATE* states = reinterpret_cast<OPCITEMSTATE*>(handles);
    HRESULT* errors = reinterpret_cast<HRESULT*>(handles);
    VARIANT value = vetrel::test::r4(1.0f);
    IOPCSyncIO* io = m_group.syncIO();
    EXPECT_EQ(io->Read(OPC_DS_CACHE, 0, handles, &states, &errors), E_INVALIDARG);
    EXPECT_EQ(states, nullptr);
    EXPECT_EQ(errors, nullptr);
    EXPECT_EQ(io->Read(OPC_DS_CACHE, 1, nullptr, &states, &errors), E_INVALIDARG);
    EXPECT_EQ(io->Read(OPC_DS_CACHE, 1, handles, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(io->Read(OPC_DS_CACHE, 1, handles, &states, nullptr), E_INVALIDARG);
    EXPECT_EQ(io->Write(0, handles, &value, &errors), E_INVALIDARG);
    EXPECT_EQ(io->Write(1, handles, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(io->Write(1, handles, &value, nullptr), E_INVALIDARG);
    for (const unsigned failing : {1u, 2u}) {
        TaskAllocationFault fault(failing);
        EXPECT_EQ(io->Read(OPC_DS_CACHE, 1, handles, &states, &errors), E_OUTOFMEMORY);
        EXPECT_EQ(states, nullptr);
        EXPECT_EQ(errors, nullptr);
    }
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(io->Write(1, handles, &value, &errors), E_OUTOFMEMORY);
    }
    EXPECT_EQ(errors, nullptr);
    EXPECT_EQ(m_group.read({item})[0].value.get().fltVal, 1.5f) << "nothing was written";
}

TEST_F(SyncIO, ReadAndWriteSendTheirTraceLines)
{
    auto& trace = TraceRecorder::start();
    m_group.syncIO()->Read(OPC_DS_CACHE, 0, nullptr, nullptr, nullptr);
    m_group.syncIO()->Write(0, nullptr, nullptr, nullptr);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"IOPCSyncIO::Read", "IOPCSyncIO::Write"}));
}

} // namespace
