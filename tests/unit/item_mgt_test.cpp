// Items of a group as a client manages them: adding and validating against the tag store,
// removing, their settings, and what the host hears about it.
#include "fixtures/host_recorder.h"
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::HostRecorder;
using vetrel::test::ItemDef;
using vetrel::test::TraceRecorder;

constexpr DWORD kNoTag = 0xFFFFFFFF;
constexpr WORD kGood = 0xC0;

class ItemMgt : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        vetrel::test::startRuntime(100);
        s_float = CreateTagA("Items.Float", vetrel::test::r4(1.5f), kGood, TRUE);
        s_readOnly = CreateTagA("Items.ReadOnly", vetrel::test::i4(7), kGood, FALSE);
        VARIANT text = vetrel::test::bstr("abc");
        s_text = CreateTagA("Items.Text", text, kGood, TRUE);
        VariantClear(&text);
        ASSERT_NE(s_float, kNoTag);
        ASSERT_NE(s_readOnly, kNoTag);
        ASSERT_NE(s_text, kNoTag);
    }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Items");
    }

    // Whether another thread can take the runtime lock while the caller waits: true when it
    // got through within a generous bound.
    static bool runtimeLockIsFree()
    {
        struct Probe
        {
            std::mutex lock;
            std::condition_variable done;
            bool finished = false;
        };
        // Shared with the thread, which outlives this call when the lock is held.
        auto probe = std::make_shared<Probe>();
        std::thread([probe] {
            UpdateTagByNameA("Items.Float", vetrel::test::r4(1.5f), kGood);
            std::lock_guard held(probe->lock);
            probe->finished = true;
            probe->done.notify_all();
        }).detach();
        std::unique_lock held(probe->lock);
        return probe->done.wait_for(held, std::chrono::seconds(30),
                                    [&] { return probe->finished; });
    }

    static inline DWORD s_float = 0;
    static inline DWORD s_readOnly = 0;
    static inline DWORD s_text = 0;
    ClientConnection m_client;
    ClientGroup m_group;
};

TEST_F(ItemMgt, AddItemsBindsItemsToTheirTags)
{
    HRESULT result = E_FAIL;
    const auto added = m_group.addItems(
        {{"Items.Float", "", VT_EMPTY, TRUE, 1}, {"Items.ReadOnly", "", VT_R8, FALSE, 2}}, &result);
    EXPECT_EQ(result, S_OK);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0].error, S_OK);
    EXPECT_EQ(added[0].canonicalType, VT_R4);
    EXPECT_EQ(added[0].accessRights, OPC_READABLE | OPC_WRITEABLE);
    EXPECT_EQ(added[1].error, S_OK);
    EXPECT_EQ(added[1].canonicalType, VT_I4) << "the tag's type, not the requested one";
    EXPECT_EQ(added[1].accessRights, OPC_READABLE);
    EXPECT_NE(added[0].serverHandle, 0u);
    EXPECT_NE(added[0].serverHandle, added[1].serverHandle);

    const auto items = m_group.enumerateItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].serverHandle, added[0].serverHandle);
    EXPECT_EQ(items[1].requestedType, VT_R8);
    EXPECT_FALSE(items[1].active);
    EXPECT_EQ(items[1].clientHandle, 2u);
}

TEST_F(ItemMgt, AnAccessPathIsANamePrefix)
{
    const DWORD tag = CreateTagA("Plant.Level", vetrel::test::r4(0.0f), kGood, FALSE);
    ASSERT_NE(tag, kNoTag);
    HRESULT result = S_OK;
    const auto added = m_group.addItems({{"Level", "Plant"},
                                         {"Level", "Plant."},
                                         {"Plant.Level", ""},
                                         {"plant.level", ""},
                                         {"Level", ""}},
                                        &result);
    EXPECT_EQ(result, S_FALSE);
    ASSERT_EQ(added.size(), 5u);
    EXPECT_EQ(added[0].error, S_OK);
    EXPECT_EQ(added[1].error, S_OK);
    EXPECT_EQ(added[2].error, S_OK);
    EXPECT_EQ(added[3].error, OPC_E_UNKNOWNITEMID) << "names match case and all";
    EXPECT_EQ(added[4].error, OPC_E_UNKNOWNITEMID);
    EXPECT_EQ(added[3].serverHandle, 0u);
    EXPECT_EQ(added[3].canonicalType, VT_EMPTY) << "a failed entry stays cleared";
    const auto items = m_group.enumerateItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].accessPath, "Plant.");
    EXPECT_EQ(items[1].itemID, "Level");
    m_group.removeItems({added[0].serverHandle, added[1].serverHandle, added[2].serverHandle});
    RemoveTag(tag);
}

TEST_F(ItemMgt, RequestedTypeTheValueCannotTakeFailsOnlyThatItem)
{
    HRESULT result = S_OK;
    const auto added = m_group.addItems(
        {{"Items.Text", "", VT_I4}, {"Items.Text", "", VT_BSTR}, {"Items.Float", "", VT_BOOL}},
        &result);
    EXPECT_EQ(result, S_FALSE);
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[0].error, DISP_E_TYPEMISMATCH) << "the conversion's own code";
    EXPECT_EQ(added[0].serverHandle, 0u);
    EXPECT_EQ(added[1].error, S_OK);
    EXPECT_EQ(added[2].error, S_OK);
    EXPECT_EQ(m_group.enumerateItems().size(), 2u);
}

TEST_F(ItemMgt, UnknownItemsAreOfferedToTheHostFirst)
{
    auto& host = HostRecorder::start();
    host.onUnknownItem([](const HostRecorder::UnknownItem& item) {
        if (item.itemID == "Made")
            CreateTagA("OnDemand.Made", vetrel::test::r4(4.0f), kGood, FALSE);
        if (item.itemID == "Elsewhere")
            CreateTagA("Elsewhere", vetrel::test::r4(4.0f), kGood, FALSE);
    });
    HRESULT result = S_OK;
    const auto added = m_group.addItems({{"Made", "OnDemand"}, {"Elsewhere", "OnDemand"}}, &result);
    EXPECT_EQ(result, S_FALSE);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0].error, S_OK) << "the host created the tag in time";
    EXPECT_EQ(added[1].error, OPC_E_UNKNOWNITEMID) << "a tag of another name does not help";
    const auto offered = host.unknownItems();
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].accessPath, "OnDemand");
    EXPECT_EQ(offered[0].itemID, "Made");

    // ValidateItems offers them too, and adds nothing.
    const auto validated = m_group.validateItems({{"Missing", ""}, {"Items.Float", ""}}, &result);
    EXPECT_EQ(result, S_FALSE);
    ASSERT_EQ(validated.size(), 2u);
    EXPECT_EQ(validated[0].error, OPC_E_UNKNOWNITEMID);
    EXPECT_EQ(validated[1].error, S_OK);
    EXPECT_EQ(validated[1].serverHandle, 0u);
    EXPECT_EQ(validated[1].canonicalType, VT_R4);
    EXPECT_EQ(validated[1].accessRights, OPC_READABLE | OPC_WRITEABLE);
    EXPECT_EQ(host.unknownItems().size(), 3u);
    EXPECT_EQ(m_group.enumerateItems().size(), 1u);
}

TEST_F(ItemMgt, HostCallbacksRunWithTheRuntimeLockReleased)
{
    auto& host = HostRecorder::start();
    bool freeDuringUnknownItem = false;
    bool freeDuringRemoval = false;
    host.onUnknownItem(
        [&](const HostRecorder::UnknownItem&) { freeDuringUnknownItem = runtimeLockIsFree(); });
    host.onRemoval(
        [&](const HostRecorder::ItemRemoval&) { freeDuringRemoval = runtimeLockIsFree(); });
    const DWORD tag = CreateTagA("Items.Callback", vetrel::test::r4(0.0f), kGood, FALSE);
    m_group.addItems({{"Nowhere", ""}});
    const OPCHANDLE item = m_group.addItem({"Items.Callback"});
    m_group.removeItems({item});
    EXPECT_TRUE(freeDuringUnknownItem);
    EXPECT_TRUE(freeDuringRemoval);
    EXPECT_EQ(host.removals().size(), 1u);
    RemoveTag(tag);
}

TEST_F(ItemMgt, HostHearsOfTheRemovalOfTheLastItemOfATag)
{
    auto& host = HostRecorder::start();
    const DWORD tag = CreateTagA("Items.Counted", vetrel::test::r4(0.0f), kGood, FALSE);
    const auto added = m_group.addItems({{"Items.Counted", ""}, {"Items.Counted", ""}});
    ASSERT_EQ(added.size(), 2u);
    EXPECT_NE(added[0].serverHandle, added[1].serverHandle);
    auto other = m_client.addGroup("Other");
    const OPCHANDLE otherItem = other.addItem({"Counted", "Items"});

    EXPECT_EQ(m_group.removeItems({added[0].serverHandle}), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(other.removeItems({otherItem}), std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(host.removals().empty());
    EXPECT_EQ(m_group.removeItems({added[1].serverHandle}), std::vector<HRESULT>{S_OK});
    const auto removals = host.removals();
    ASSERT_EQ(removals.size(), 1u);
    EXPECT_EQ(removals[0].tag, tag);
    EXPECT_EQ(removals[0].accessPath, "");
    EXPECT_EQ(removals[0].tagName, "Items.Counted");
    RemoveTag(tag);
}

TEST_F(ItemMgt, RemoveItemsReportsEachHandle)
{
    const OPCHANDLE item = m_group.addItem({"Items.Float"});
    const OPCHANDLE kept = m_group.addItem({"Items.Float"});
    auto other = m_client.addGroup("Other");
    const OPCHANDLE foreign = other.addItem({"Items.Float"});
    EXPECT_NE(foreign, item) << "no two live items share a handle, whatever their groups";
    HRESULT result = E_FAIL;
    EXPECT_EQ(m_group.removeItems({item, 0, item, foreign}, &result),
              (std::vector<HRESULT>{S_OK, OPC_E_INVALIDHANDLE, OPC_E_INVALIDHANDLE,
                                    OPC_E_INVALIDHANDLE}));
    EXPECT_EQ(result, S_OK) << "per-item failures do not fail the call";
    EXPECT_EQ(m_group.removeItems({item}), std::vector<HRESULT>{OPC_E_INVALIDHANDLE})
        << "a removed item's handle is stale";
    const auto items = m_group.enumerateItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].serverHandle, kept);
    EXPECT_EQ(other.read({foreign})[0].error, S_OK) << "another group's item stays";
    EXPECT_EQ(m_group.read({foreign})[0].error, OPC_E_INVALIDHANDLE);
}

TEST_F(ItemMgt, ItemSettingsChangePerHandle)
{
    const OPCHANDLE first = m_group.addItem({"Items.Float", "", VT_EMPTY, TRUE, 1});
    const OPCHANDLE second = m_group.addItem({"Items.Text", "", VT_EMPTY, TRUE, 2});
    OPCHANDLE handles[] = {first, 0, second};
    HRESULT* errors = nullptr;
    ASSERT_EQ(m_group.items()->SetActiveState(3, handles, FALSE, &errors), S_OK);
    EXPECT_EQ(errors[0], S_OK);
    EXPECT_EQ(errors[1], OPC_E_INVALIDHANDLE);
    EXPECT_EQ(errors[2], S_OK);
    CoTaskMemFree(errors);
    OPCHANDLE clients[] = {11, 12, 13};
    ASSERT_EQ(m_group.items()->SetClientHandles(3, handles, clients, &errors), S_OK);
    EXPECT_EQ(errors[1], OPC_E_INVALIDHANDLE);
    CoTaskMemFree(errors);
    // A type the value cannot take is refused for its item alone, and the item keeps its type.
    VARTYPE types[] = {VT_BSTR, VT_EMPTY, VT_I4};
    ASSERT_EQ(m_group.items()->SetDatatypes(3, handles, types, &errors), S_OK);
    EXPECT_EQ(errors[0], S_OK);
    EXPECT_EQ(errors[2], OPC_E_BADTYPE);
    CoTaskMemFree(errors);
    for (VARTYPE refused : {VARTYPE{0xFFFF}, VARTYPE{VT_RECORD}, VARTYPE{VT_UNKNOWN}}) {
        ASSERT_EQ(m_group.items()->SetDatatypes(1, &handles[2], &refused, &errors), S_OK);
        EXPECT_EQ(errors[0], OPC_E_BADTYPE) << refused;
        CoTaskMemFree(errors);
    }

    const auto items = m_group.enumerateItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_FALSE(items[0].active);
    EXPECT_EQ(items[0].clientHandle, 11u);
    EXPECT_EQ(items[0].requestedType, VT_BSTR);
    EXPECT_EQ(items[1].clientHandle, 13u);
    EXPECT_EQ(items[1].requestedType, VT_EMPTY);
    const auto values = m_group.read({second});
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].error, S_OK) << "the refused types left the item readable";
}

TEST_F(ItemMgt, MissingArgumentsAreInvalid)
{
    IOPCItemMgt* items = m_group.items();
    std::basic_string<WCHAR> id = vetrel::test::wide("Items.Float");
    OPCITEMDEF definition{nullptr, id.data(), TRUE, 0, 0, nullptr, VT_EMPTY, 0};
    OPCITEMRESULT* results = reinterpret_cast<OPCITEMRESULT*>(&definition);
    HRESULT* errors = reinterpret_cast<HRESULT*>(&definition);
    EXPECT_EQ(items->AddItems(0, &definition, &results, &errors), E_INVALIDARG);
    EXPECT_EQ(results, nullptr);
    EXPECT_EQ(errors, nullptr);
    EXPECT_EQ(items->AddItems(1, nullptr, &results, &errors), E_INVALIDARG);
    EXPECT_EQ(items->AddItems(1, &definition, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(items->AddItems(1, &definition, &results, nullptr), E_INVALIDARG);
    EXPECT_EQ(items->ValidateItems(0, &definition, FALSE, &results, &errors), E_INVALIDARG);
    EXPECT_EQ(m_group.enumerateItems().size(), 0u);

    OPCHANDLE handle = 1;
    OPCHANDLE client = 1;
    VARTYPE type = VT_I4;
    EXPECT_EQ(items->RemoveItems(0, &handle, &errors), E_INVALIDARG);
    EXPECT_EQ(items->RemoveItems(1, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(items->RemoveItems(1, &handle, nullptr), E_INVALIDARG);
    EXPECT_EQ(items->SetActiveState(0, &handle, TRUE, &errors), E_INVALIDARG);
    EXPECT_EQ(items->SetClientHandles(1, &handle, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(items->SetClientHandles(1, nullptr, &client, &errors), E_INVALIDARG);
    EXPECT_EQ(items->SetDatatypes(1, &handle, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(items->SetDatatypes(1, &handle, &type, nullptr), E_INVALIDARG);
    EXPECT_EQ(errors, nullptr);
}

TEST_F(ItemMgt, OutOfMemoryAddsNothing)
{
    std::basic_string<WCHAR> id = vetrel::test::wide("Items.Float");
    OPCITEMDEF definition{nullptr, id.data(), TRUE, 0, 0, nullptr, VT_EMPTY, 0};
    for (const unsigned failing : {1u, 2u}) {
        OPCITEMRESULT* results = nullptr;
        HRESULT* errors = nullptr;
        {
            TaskAllocationFault fault(failing);
            EXPECT_EQ(m_group.items()->AddItems(1, &definition, &results, &errors), E_OUTOFMEMORY);
        }
        EXPECT_EQ(results, nullptr);
        EXPECT_EQ(errors, nullptr);
    }
    EXPECT_EQ(m_group.enumerateItems().size(), 0u);
    const OPCHANDLE item = m_group.addItem({"Items.Float"});
    HRESULT result = S_OK;
    {
        TaskAllocationFault fault(1);
        EXPECT_TRUE(m_group.removeItems({item}, &result).empty());
    }
    EXPECT_EQ(result, E_OUTOFMEMORY);
    EXPECT_EQ(m_group.enumerateItems().size(), 1u) << "nothing was removed";
}

TEST_F(ItemMgt, TenThousandItemsComeAndGoInOneCallEach)
{
    constexpr size_t kItems = 10000;
    std::vector<ItemDef> definitions(kItems, ItemDef{"Items.Float"});
    HRESULT result = E_FAIL;
    const auto added = m_group.addItems(definitions, &result);
    ASSERT_EQ(result, S_OK);
    std::set<OPCHANDLE> handles;
    for (const auto& item : added) handles.insert(item.serverHandle);
    EXPECT_EQ(handles.size(), kItems) << "every item has its own handle";
    const auto removed =
        m_group.removeItems(std::vector<OPCHANDLE>(handles.begin(), handles.end()), &result);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(removed, std::vector<HRESULT>(kItems, S_OK));
    EXPECT_TRUE(m_group.enumerateItems().empty());
}

TEST_F(ItemMgt, CreateEnumeratorNeedsItsInterface)
{
    IUnknown* enumerator = reinterpret_cast<IUnknown*>(&m_group);
    EXPECT_EQ(m_group.items()->CreateEnumerator(IID_IEnumUnknown, &enumerator), E_INVALIDARG);
    EXPECT_EQ(enumerator, nullptr);
    EXPECT_EQ(m_group.items()->CreateEnumerator(IID_IEnumOPCItemAttributes, nullptr), E_INVALIDARG);
    EXPECT_TRUE(m_group.enumerateItems().empty()) << "an empty group has an empty enumerator";
}

TEST_F(ItemMgt, MethodsSendTheirTraceLines)
{
    auto& trace = TraceRecorder::start();
    IOPCItemMgt* items = m_group.items();
    items->AddItems(0, nullptr, nullptr, nullptr);
    items->ValidateItems(0, nullptr, FALSE, nullptr, nullptr);
    items->RemoveItems(0, nullptr, nullptr);
    items->SetActiveState(0, nullptr, TRUE, nullptr);
    items->SetClientHandles(0, nullptr, nullptr, nullptr);
    items->SetDatatypes(0, nullptr, nullptr, nullptr);
    items->CreateEnumerator(IID_IUnknown, nullptr);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "IOPCItemMgt::AddItems",
                                 "IOPCItemMgt::ValidateItems",
                                 "IOPCItemMgt::RemoveItems",
                                 "IOPCItemMgt::SetActiveState",
                                 "IOPCItemMgt::SetClientHandles",
                                 "IOPCItemMgt::SetDatatypes",
                                 "IOPCItemMgt::CreateEnumerator",
                             }));
}

} // namespace
