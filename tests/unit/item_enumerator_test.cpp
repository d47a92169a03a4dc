// The item attribute enumerator: its snapshot, the entries it hands out and how it allocates
// them.
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::takeAttributes;
using vetrel::test::TraceRecorder;

class ItemEnumerator : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        vetrel::test::startRuntime(100);
        ASSERT_NE(CreateTagA("Enum.A", vetrel::test::r4(1.0f), 0xC0, TRUE), 0xFFFFFFFFu);
        ASSERT_NE(CreateTagA("Enum.B", vetrel::test::i4(2), 0xC0, FALSE), 0xFFFFFFFFu);
    }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Enumerated");
        m_first = m_group.addItem({"A", "Enum", VT_BSTR, TRUE, 10});
        m_second = m_group.addItem({"Enum.B", "", VT_EMPTY, FALSE, 20});
        m_third = m_group.addItem({"Enum.A", "", VT_EMPTY, TRUE, 30});
    }

    ComPtr<IEnumOPCItemAttributes> enumerate()
    {
        ComPtr<IEnumOPCItemAttributes> enumerator;
        EXPECT_EQ(m_group.items()->CreateEnumerator(IID_IEnumOPCItemAttributes,
                                                    vetrel::test::unknownOut(enumerator)),
                  S_OK);
        return enumerator;
    }

    // The client handles of one Next's entries, freeing them.
    static std::vector<OPCHANDLE> take(OPCITEMATTRIBUTES* entries, ULONG count)
    {
        std::vector<OPCHANDLE> handles;
        for (ULONG i = 0; i < count; ++i)
            handles.push_back(takeAttributes(entries[i]).clientHandle);
        CoTaskMemFree(entries);
        return handles;
    }

    ClientConnection m_client;
    ClientGroup m_group;
    OPCHANDLE m_first = 0;
    OPCHANDLE m_second = 0;
    OPCHANDLE m_third = 0;
};

TEST_F(ItemEnumerator, EntriesDescribeTheItemsOfTheSnapshot)
{
    auto enumerator = enumerate();
    // Later changes to the group do not reach the snapshot.
    m_group.removeItems({m_third});
    m_group.addItem({"Enum.B"});
    OPCITEMATTRIBUTES* entries = nullptr;
    ULONG fetched = 0;
    ASSERT_EQ(enumerator->Next(3, &entries, &fetched), S_OK);
    ASSERT_EQ(fetched, 3u);
    const auto first = takeAttributes(entries[0]);
    const auto second = takeAttributes(entries[1]);
    const auto third = takeAttributes(entries[2]);
    CoTaskMemFree(entries);
    EXPECT_EQ(first.accessPath, "Enum");
    EXPECT_EQ(first.itemID, "A");
    EXPECT_TRUE(first.active);
    EXPECT_EQ(first.clientHandle, 10u);
    EXPECT_EQ(first.serverHandle, m_first);
    EXPECT_EQ(first.accessRights, OPC_READABLE | OPC_WRITEABLE);
    EXPECT_EQ(first.blobSize, 0u);
    EXPECT_FALSE(first.hasBlob);
    EXPECT_EQ(first.requestedType, VT_BSTR);
    EXPECT_EQ(first.canonicalType, VT_R4);
    EXPECT_EQ(first.euType, OPC_NOENUM);
    EXPECT_EQ(first.euInfoType, VT_EMPTY);
    EXPECT_EQ(second.accessPath, "");
    EXPECT_EQ(second.itemID, "Enum.B");
    EXPECT_FALSE(second.active);
    EXPECT_EQ(second.accessRights, OPC_READABLE);
    EXPECT_EQ(second.canonicalType, VT_I4);
    EXPECT_EQ(third.serverHandle, m_third);
}

TEST_F(ItemEnumerator, NextAllocatesOnlyWhatItHandsOut)
{
    auto enumerator = enumerate();
    OPCITEMATTRIBUTES* entries = nullptr;
    ULONG fetched = 0;
    ASSERT_EQ(enumerator->Skip(1), S_OK);
    ASSERT_EQ(enumerator->Next(10, &entries, &fetched), S_FALSE) << "fewer than asked for";
    ASSERT_EQ(fetched, 2u);
    IMalloc* malloc = nullptr;
    ASSERT_EQ(CoGetMalloc(MEMCTX_TASK, &malloc), S_OK);
    EXPECT_EQ(malloc->GetSize(entries), 2 * sizeof(OPCITEMATTRIBUTES));
    malloc->Release();
    EXPECT_EQ(take(entries, fetched), (std::vector<OPCHANDLE>{20, 30}));

    // Nothing left: nothing is written.
    OPCITEMATTRIBUTES* untouched = reinterpret_cast<OPCITEMATTRIBUTES*>(&fetched);
    fetched = 99;
    EXPECT_EQ(enumerator->Next(10, &untouched, &fetched), S_FALSE);
    EXPECT_EQ(untouched, reinterpret_cast<OPCITEMATTRIBUTES*>(&fetched));
    EXPECT_EQ(fetched, 99u);

    // A count no memory could hold is the client's number, not a size.
    ASSERT_EQ(enumerator->Reset(), S_OK);
    ASSERT_EQ(enumerator->Skip(2), S_OK);
    ASSERT_EQ(enumerator->Next(0xFFFFFFFF, &entries, &fetched), S_FALSE);
    EXPECT_EQ(take(entries, fetched), std::vector<OPCHANDLE>{30});
}

TEST_F(ItemEnumerator, NextChecksItsOutputs)
{
    auto enumerator = enumerate();
    OPCITEMATTRIBUTES* entries = nullptr;
    EXPECT_EQ(enumerator->Next(2, &entries, nullptr), E_POINTER);
    ASSERT_EQ(enumerator->Next(1, &entries, nullptr), S_OK);
    EXPECT_EQ(take(entries, 1), std::vector<OPCHANDLE>{10});
    EXPECT_EQ(enumerator->Next(1, nullptr, nullptr), E_INVALIDARG);

    ULONG fetched = 0;
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(enumerator->Next(2, &entries, &fetched), S_FALSE);
    }
    {
        // The second string of the first entry: everything allocated so far goes.
        TaskAllocationFault fault(3);
        EXPECT_EQ(enumerator->Next(2, &entries, &fetched), S_FALSE);
    }
    ASSERT_EQ(enumerator->Next(2, &entries, &fetched), S_OK) << "a failed Next does not move";
    EXPECT_EQ(take(entries, fetched), (std::vector<OPCHANDLE>{20, 30}));

    m_group.removeItems({m_first, m_second, m_third});
    auto empty = enumerate();
    EXPECT_EQ(empty->Next(2, &entries, nullptr), S_FALSE);
}

TEST_F(ItemEnumerator, SkipResetAndCloneMoveIndependently)
{
    auto enumerator = enumerate();
    EXPECT_EQ(enumerator->Skip(3), S_FALSE);
    EXPECT_EQ(enumerator->Skip(2), S_OK);
    ComPtr<IEnumOPCItemAttributes> clone;
    ASSERT_EQ(enumerator->Clone(clone.put()), S_OK);
    EXPECT_EQ(enumerator->Clone(nullptr), E_INVALIDARG);
    OPCITEMATTRIBUTES* entries = nullptr;
    ULONG fetched = 0;
    ASSERT_EQ(clone->Next(5, &entries, &fetched), S_FALSE);
    EXPECT_EQ(take(entries, fetched), std::vector<OPCHANDLE>{30});
    ASSERT_EQ(enumerator->Reset(), S_OK);
    ASSERT_EQ(enumerator->Next(3, &entries, &fetched), S_OK);
    EXPECT_EQ(take(entries, fetched), (std::vector<OPCHANDLE>{10, 20, 30}));
    EXPECT_EQ(clone->Next(5, &entries, &fetched), S_FALSE);
}

TEST_F(ItemEnumerator, SendsItsTraceLines)
{
    auto& trace = TraceRecorder::start();
    auto enumerator = enumerate();
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "IOPCItemMgt::CreateEnumerator",
                                 "IOPCItemEnumerator::QueryInterface IID_IEnumOPCItemAttributes",
                                 "IOPCItemEnumerator::AddRef(1)",
                             }));
    trace.clear();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(enumerator->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    void* refused = &trace;
    EXPECT_EQ(enumerator->QueryInterface(IID_IEnumUnknown, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(enumerator->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    unknown.reset();
    enumerator->Skip(0);
    enumerator->Reset();
    OPCITEMATTRIBUTES* entries = nullptr;
    enumerator->Next(1, &entries, nullptr);
    take(entries, 1);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "IOPCItemEnumerator::QueryInterface IID_IUnknown",
                                 "IOPCItemEnumerator::AddRef(2)",
                                 "IOPCItemEnumerator::QueryInterface",
                                 "IOPCItemEnumerator::QueryInterface E_INVALIDARG",
                                 "IOPCItemEnumerator::Release(2)",
                                 "IOPCItemEnumerator::Skip",
                                 "IOPCItemEnumerator::Reset",
                                 "IOPCItemEnumerator::Next",
                             }));
}

} // namespace
