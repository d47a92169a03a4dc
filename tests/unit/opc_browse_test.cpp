// IOPCBrowse: browsing by item ID in batches with continuation points, its filters, and the
// properties of many items at once, which must agree with IOPCItemProperties.
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

using vetrel::Variant;
using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ComPtr;
using vetrel::test::takeText;
using vetrel::test::TraceRecorder;
using vetrel::test::wide;
using Names = std::vector<std::string>;

constexpr DWORD kNoTag = 0xFFFFFFFF;
constexpr OPCBROWSEFILTER kAll = OPC_BROWSE_FILTER_ALL;

// "name|item ID|flags" of each element, and the continuation point, freed.
struct Batch
{
    HRESULT result = E_FAIL;
    Names elements;
    BOOL more = FALSE;
    std::string point;
};

// A value as text, to compare two answers of any type.
std::string text(VARIANT value)
{
    Variant converted;
    if (FAILED(VariantChangeType(converted.out(), &value, 0, VT_BSTR)))
        return "vt " + std::to_string(value.vt);
    return std::to_string(value.vt) + ":" + vetrel::test::narrow(converted.get().bstrVal);
}

// "id description type [value] [error]" of each property.
Names describe(const OPCITEMPROPERTIES& properties)
{
    Names lines;
    for (DWORD i = 0; i < properties.dwNumProperties; ++i) {
        OPCITEMPROPERTY& entry = properties.pItemProperties[i];
        EXPECT_EQ(entry.szItemID, nullptr);
        std::string line = std::to_string(entry.dwPropertyID) + " " +
                           (entry.szDescription ? takeText(entry.szDescription) : "-") + " " +
                           std::to_string(entry.vtDataType);
        if (entry.vValue.vt != VT_EMPTY) line += " " + text(entry.vValue);
        if (entry.hrErrorID != S_OK) line += " error";
        VariantClear(&entry.vValue);
        lines.push_back(line);
    }
    CoTaskMemFree(properties.pItemProperties);
    return lines;
}

class OPCBrowse : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_browse = ComPtr<IOPCServer>(m_client.server()).as<IOPCBrowse>(IID_IOPCBrowse);
        ASSERT_TRUE(m_browse);
        // Plant's children in creation order: Pump, Line (a branch), Valve, Tank.
        for (const char* name : {"Plant.Pump", "Plant.Line.Speed", "Plant.Valve", "Plant.Line.Temp",
                                 "Plant.Tank", "Top"})
            tag(name);
    }
    void TearDown() override
    {
        for (auto& [name, handle] : m_tags) RemoveTag(handle);
        m_tags.clear();
    }

public:
    void tag(const std::string& name)
    {
        const DWORD handle = CreateTagA(name.c_str(), vetrel::test::r4(1.5f), 0xC0, TRUE);
        ASSERT_NE(handle, kNoTag) << name;
        m_tags[name] = handle;
    }
    void untag(const std::string& name)
    {
        RemoveTag(m_tags.at(name));
        m_tags.erase(name);
    }

protected:
    // One call; point is the continuation point to send (empty: none).
    Batch browse(const std::string& itemID, const std::string& point, DWORD max,
                 OPCBROWSEFILTER filter = kAll, const std::string& nameFilter = "")
    {
        Batch got;
        LPWSTR inOut = point.empty() ? nullptr : wideCopy(point);
        DWORD count = 0;
        OPCBROWSEELEMENT* elements = nullptr;
        auto id = wide(itemID), names = wide(nameFilter), vendor = wide("");
        got.result = m_browse->Browse(id.data(), &inOut, max, filter, names.data(), vendor.data(),
                                      FALSE, FALSE, 0, nullptr, &got.more, &count, &elements);
        for (DWORD i = 0; i < count; ++i)
            got.elements.push_back(takeText(elements[i].szName) + "|" +
                                   takeText(elements[i].szItemID) + "|" +
                                   std::to_string(elements[i].dwFlagValue));
        CoTaskMemFree(elements);
        if (inOut) got.point = takeText(inOut);
        return got;
    }

    // Every element, max at a time, following the continuation points; calls counts the calls.
    Names browseAll(const std::string& itemID, DWORD max, OPCBROWSEFILTER filter,
                    const std::string& nameFilter, int& calls)
    {
        Names all;
        std::string point;
        calls = 0;
        do {
            const Batch batch = browse(itemID, point, max, filter, nameFilter);
            ++calls;
            EXPECT_EQ(batch.result, S_OK);
            EXPECT_EQ(batch.more != FALSE, !batch.point.empty());
            if (max) {
                EXPECT_LE(batch.elements.size(), max);
            }
            all.insert(all.end(), batch.elements.begin(), batch.elements.end());
            point = batch.point;
        } while (!point.empty() && calls < 20);
        return all;
    }

    static LPWSTR wideCopy(const std::string& text)
    {
        const auto w = wide(text);
        auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((w.size() + 1) * sizeof(WCHAR)));
        std::copy(w.c_str(), w.c_str() + w.size() + 1, copy);
        return copy;
    }

    ClientConnection m_client;
    ComPtr<IOPCBrowse> m_browse;
    std::map<std::string, DWORD> m_tags;
};

TEST_F(OPCBrowse, FiltersGiveTheSameElementsInEveryBatchSize)
{
    struct Case
    {
        std::string itemID;
        OPCBROWSEFILTER filter;
        std::string nameFilter;
        Names expected;
    };
    const Names plant = {"Pump|Plant.Pump|2", "Line|Plant.Line|1", "Valve|Plant.Valve|2",
                         "Tank|Plant.Tank|2"};
    const Case cases[] = {
        {"", kAll, "", {"Plant|Plant|1", "Top|Top|2"}},
        {"Plant", kAll, "", plant},
        {"Plant", OPC_BROWSE_FILTER_BRANCHES, "", {plant[1]}},
        {"Plant", OPC_BROWSE_FILTER_ITEMS, "", {plant[0], plant[2], plant[3]}},
        {"Plant", kAll, "?a*", {plant[2], plant[3]}},
        {"Plant", kAll, "[L-P]*", {plant[0], plant[1]}},
        {"Plant", kAll, "[!L-P]*", {plant[2], plant[3]}},
        {"Plant", kAll, "*e", {plant[1], plant[2]}},
        {"Plant", kAll, "#*", {}},
        {"Plant", kAll, "pump", {}},
        {"Plant.Line", kAll, "", {"Speed|Plant.Line.Speed|2", "Temp|Plant.Line.Temp|2"}},
        {"Plant.Pump", kAll, "", {}},
    };
    for (const Case& c : cases)
        for (const DWORD max : {0u, 1u, 2u, 3u, 4u, 5u}) {
            int calls = 0;
            EXPECT_EQ(browseAll(c.itemID, max, c.filter, c.nameFilter, calls), c.expected)
                << c.itemID << " " << c.nameFilter << " by " << max;
            const size_t batches = max ? (c.expected.size() + max - 1) / max : 1;
            EXPECT_EQ(calls, static_cast<int>(std::max<size_t>(batches, 1)))
                << c.itemID << " " << c.nameFilter << " by " << max;
        }
}

TEST_F(OPCBrowse, ContinuationPointsSurviveWhatCannotMisleadThem)
{
    struct Case
    {
        const char* change;
        DWORD max;
        std::function<void(OPCBrowse&)> apply;
        HRESULT result;
        Names rest;
    };
    const Case cases[] = {
        {"tag added",
         2,
         [](OPCBrowse& t) { t.tag("Plant.Gauge"); },
         S_OK,
         {"Valve|Plant.Valve|2", "Tank|Plant.Tank|2", "Gauge|Plant.Gauge|2"}},
        {"later tag removed",
         1,
         [](OPCBrowse& t) { t.untag("Plant.Valve"); },
         S_OK,
         {"Line|Plant.Line|1", "Tank|Plant.Tank|2"}},
        {"branch emptied",
         1,
         [](OPCBrowse& t) {
             t.untag("Plant.Line.Speed");
             t.untag("Plant.Line.Temp");
         },
         S_OK,
         {"Valve|Plant.Valve|2", "Tank|Plant.Tank|2"}},
        {"last element removed",
         1,
         [](OPCBrowse& t) { t.untag("Plant.Pump"); },
         OPC_E_INVALIDCONTINUATIONPOINT,
         {}},
        {"last element made anew",
         1,
         [](OPCBrowse& t) {
             t.untag("Plant.Pump");
             t.tag("Plant.Pump");
         },
         OPC_E_INVALIDCONTINUATIONPOINT,
         {}},
        // A branch has no handle to prove it is the same one after removals.
        {"removal after a branch",
         2,
         [](OPCBrowse& t) { t.untag("Plant.Tank"); },
         OPC_E_INVALIDCONTINUATIONPOINT,
         {}},
    };
    for (const Case& c : cases) {
        // Each case starts from the same tree.
        TearDown();
        SetUp();
        const Batch first = browse("Plant", "", c.max);
        ASSERT_EQ(first.result, S_OK) << c.change;
        c.apply(*this);
        const Batch rest = browse("Plant", first.point, 0);
        EXPECT_EQ(rest.result, c.result) << c.change;
        EXPECT_EQ(rest.elements, c.rest) << c.change;
        EXPECT_EQ(rest.more, FALSE) << c.change;
    }
}

TEST_F(OPCBrowse, RefusesWhatItCannotBrowse)
{
    const std::string point = browse("Plant", "", 1).point;
    const Batch used = browse("Plant", browse("Plant", "", 1).point, 1);
    ASSERT_EQ(used.result, S_OK);
    struct Case
    {
        std::string itemID;
        std::string point;
        OPCBROWSEFILTER filter;
        std::string nameFilter;
        HRESULT result;
    };
    const Case cases[] = {
        {"Nowhere", "", kAll, "", OPC_E_UNKNOWNITEMID},
        {"Plant.Line.Nothing", "", kAll, "", OPC_E_UNKNOWNITEMID},
        {"Plant", "", static_cast<OPCBROWSEFILTER>(0), "", E_INVALIDARG},
        {"Plant", "", static_cast<OPCBROWSEFILTER>(4), "", E_INVALIDARG},
        {"Plant", "", kAll, "[ab", OPC_E_INVALIDFILTER},
        {"Plant", "vetrel-browse:99999", kAll, "", OPC_E_INVALIDCONTINUATIONPOINT},
        {"Plant", "vetrel-browse:", kAll, "", OPC_E_INVALIDCONTINUATIONPOINT},
        {"Plant", "Pump", kAll, "", OPC_E_INVALIDCONTINUATIONPOINT},
        {"Plant", point, OPC_BROWSE_FILTER_ITEMS, "", OPC_E_INVALIDCONTINUATIONPOINT},
        {"Plant", point, kAll, "*", OPC_E_INVALIDCONTINUATIONPOINT},
        {"", point, kAll, "", OPC_E_INVALIDCONTINUATIONPOINT},
        {"Plant", point, kAll, "", S_OK},
        {"Plant", point, kAll, "", OPC_E_INVALIDCONTINUATIONPOINT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(browse(c.itemID, c.point, 1, c.filter, c.nameFilter).result, c.result)
            << c.itemID << " " << c.point << " " << c.filter << " " << c.nameFilter;

    // Another connection's points mean nothing here.
    ClientConnection other = ClientConnection::connect();
    const std::string theirs = browse("Plant", "", 1).point;
    ComPtr<IOPCBrowse> otherBrowse =
        ComPtr<IOPCServer>(other.server()).as<IOPCBrowse>(IID_IOPCBrowse);
    std::swap(m_browse, otherBrowse);
    EXPECT_EQ(browse("Plant", theirs, 1).result, OPC_E_INVALIDCONTINUATIONPOINT);
    std::swap(m_browse, otherBrowse);

    BOOL more = FALSE;
    DWORD count = 0;
    OPCBROWSEELEMENT* elements = nullptr;
    LPWSTR none = nullptr;
    auto id = wide("Plant"), empty = wide("");
    EXPECT_EQ(m_browse->Browse(id.data(), nullptr, 0, kAll, empty.data(), empty.data(), FALSE,
                               FALSE, 0, nullptr, &more, &count, &elements),
              E_INVALIDARG);
    EXPECT_EQ(m_browse->Browse(id.data(), &none, 0, kAll, empty.data(), empty.data(), FALSE, FALSE,
                               0, nullptr, &more, &count, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(m_browse->Browse(id.data(), &none, 0, kAll, empty.data(), empty.data(), FALSE, FALSE,
                               2, nullptr, &more, &count, &elements),
              E_INVALIDARG);
}

TEST_F(OPCBrowse, PropertiesAgreeWithItemProperties)
{
    ASSERT_TRUE(SetTagPropertiesA(m_tags.at("Plant.Pump"), "Feed pump", "l/s"));
    auto itemProperties =
        ComPtr<IOPCServer>(m_client.server()).as<IOPCItemProperties>(IID_IOPCItemProperties);
    // The top-level branch answers as a fresh record there, so it does here too.
    const std::vector<std::string> items = {"Plant.Pump", "Plant", "Top", "Nowhere", ""};
    std::vector<std::basic_string<WCHAR>> wideItems;
    std::vector<LPWSTR> itemIDs;
    for (const std::string& item : items) wideItems.push_back(wide(item));
    for (auto& item : wideItems) itemIDs.push_back(item.data());
    itemIDs.push_back(nullptr);

    OPCITEMPROPERTIES* answers = nullptr;
    ASSERT_EQ(m_browse->GetProperties(static_cast<DWORD>(itemIDs.size()), itemIDs.data(), TRUE, 0,
                                      nullptr, &answers),
              S_FALSE);
    for (size_t i = 0; i < items.size(); ++i) {
        DWORD count = 0;
        DWORD* ids = nullptr;
        LPWSTR* descriptions = nullptr;
        VARTYPE* types = nullptr;
        const HRESULT known = itemProperties->QueryAvailableProperties(itemIDs[i], &count, &ids,
                                                                       &descriptions, &types);
        if (known != S_OK) {
            EXPECT_EQ(answers[i].hrErrorID, items[i].empty() ? OPC_E_INVALIDITEMID : known)
                << items[i];
            EXPECT_EQ(answers[i].dwNumProperties, 0u);
            continue;
        }
        VARIANT* values = nullptr;
        HRESULT* errors = nullptr;
        ASSERT_EQ(itemProperties->GetItemProperties(itemIDs[i], count, ids, &values, &errors),
                  S_OK);
        Names expected;
        for (DWORD p = 0; p < count; ++p) {
            expected.push_back(std::to_string(ids[p]) + " " + takeText(descriptions[p]) + " " +
                               std::to_string(types[p]) + " " + text(values[p]));
            VariantClear(&values[p]);
        }
        for (void* block :
             {static_cast<void*>(ids), static_cast<void*>(descriptions), static_cast<void*>(types),
              static_cast<void*>(values), static_cast<void*>(errors)})
            CoTaskMemFree(block);
        EXPECT_EQ(answers[i].hrErrorID, S_OK) << items[i];
        EXPECT_EQ(describe(answers[i]), expected) << items[i];
    }
    EXPECT_EQ(answers[items.size()].hrErrorID, OPC_E_INVALIDITEMID);
    CoTaskMemFree(answers);
}

TEST_F(OPCBrowse, ChosenPropertiesCarryTheirOwnErrors)
{
    struct Case
    {
        BOOL values;
        std::vector<DWORD> ids;
        HRESULT result;
        Names expected;
    };
    const Case cases[] = {
        {FALSE,
         {1, 7, 101},
         S_FALSE,
         {"1 Item Canonical Data Type 2", "7 - 0 error", "101 Item Description 8"}},
        {TRUE, {2, 0}, S_FALSE, {"2 Item Value 4 4:1.5", "0 - 0 error"}},
        {TRUE, {3}, S_OK, {"3 Item Quality 2 2:192"}},
    };
    auto item = wide("Plant.Valve");
    LPWSTR itemIDs[] = {item.data()};
    for (const Case& c : cases) {
        OPCITEMPROPERTIES* answers = nullptr;
        std::vector<DWORD> ids = c.ids;
        EXPECT_EQ(m_browse->GetProperties(1, itemIDs, c.values, static_cast<DWORD>(ids.size()),
                                          ids.data(), &answers),
                  c.result);
        ASSERT_NE(answers, nullptr);
        EXPECT_EQ(answers[0].hrErrorID, c.result);
        EXPECT_EQ(describe(answers[0]), c.expected);
        CoTaskMemFree(answers);
    }

    // Browsed elements carry the same properties; a branch that is no tag has none.
    std::vector<DWORD> ids = {3, 9};
    LPWSTR point = nullptr;
    BOOL more = FALSE;
    DWORD count = 0;
    OPCBROWSEELEMENT* elements = nullptr;
    auto plant = wide("Plant"), empty = wide("");
    ASSERT_EQ(m_browse->Browse(plant.data(), &point, 2, kAll, empty.data(), empty.data(), FALSE,
                               TRUE, 2, ids.data(), &more, &count, &elements),
              S_FALSE);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(describe(elements[0].ItemProperties),
              (Names{"3 Item Quality 2 2:192", "9 - 0 error"}));
    EXPECT_EQ(elements[1].ItemProperties.dwNumProperties, 0u);
    for (DWORD i = 0; i < count; ++i) {
        takeText(elements[i].szName);
        takeText(elements[i].szItemID);
    }
    CoTaskMemFree(elements);
    takeText(point);
    OPCITEMPROPERTIES* answers = nullptr;
    EXPECT_EQ(m_browse->GetProperties(1, nullptr, TRUE, 0, nullptr, &answers), E_INVALIDARG);
    EXPECT_EQ(m_browse->GetProperties(1, itemIDs, TRUE, 1, nullptr, &answers), E_INVALIDARG);
    EXPECT_EQ(m_browse->GetProperties(0, nullptr, TRUE, 0, nullptr, &answers), S_OK);
    EXPECT_EQ(answers, nullptr);
}

TEST_F(OPCBrowse, RunningOutOfMemoryKeepsTheContinuationPoint)
{
    const std::string point = browse("Plant", "", 1).point;
    auto plant = wide("Plant"), empty = wide("");
    // Elements, names, item IDs, properties and their texts, the new point: each fails in turn.
    for (unsigned failing = 1; failing <= 60; ++failing) {
        LPWSTR inOut = wideCopy(point);
        const LPWSTR sent = inOut;
        BOOL more = TRUE;
        DWORD count = 7;
        OPCBROWSEELEMENT* elements = nullptr;
        HRESULT hr;
        {
            TaskAllocationFault fault(failing);
            hr = m_browse->Browse(plant.data(), &inOut, 2, kAll, empty.data(), empty.data(), TRUE,
                                  TRUE, 0, nullptr, &more, &count, &elements);
        }
        if (hr == E_OUTOFMEMORY) {
            EXPECT_EQ(inOut, sent) << failing;
            EXPECT_EQ(elements, nullptr) << failing;
            EXPECT_EQ(count, 0u) << failing;
            takeText(inOut);
            continue;
        }
        // Enough memory at last: the point was used up and replaced.
        ASSERT_EQ(hr, S_OK) << failing;
        EXPECT_EQ(count, 2u);
        for (DWORD i = 0; i < count; ++i) {
            takeText(elements[i].szName);
            takeText(elements[i].szItemID);
            describe(elements[i].ItemProperties);
        }
        CoTaskMemFree(elements);
        takeText(inOut);
        EXPECT_GT(failing, 10u);
        return;
    }
    FAIL() << "never succeeded";
}

TEST_F(OPCBrowse, MethodsAndForwardedReferencesSendTheirTraceLines)
{
    auto& trace = TraceRecorder::start();
    browse("Nowhere", "", 0);
    OPCITEMPROPERTIES* answers = nullptr;
    m_browse->GetProperties(0, nullptr, FALSE, 0, nullptr, &answers);
    m_browse->AddRef();
    m_browse->Release();
    void* refused = nullptr;
    m_browse->QueryInterface(IID_IEnumString, &refused);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "IOPCBrowse::Browse",
                                 "IOPCBrowse::GetProperties",
                                 "IOPCBrowse::AddRef() [defered to OPCServer]",
                                 "OPCServer::AddRef(3)",
                                 "IOPCBrowse::Release() [defered to OPCServer]",
                                 "OPCServer::Release(3)",
                                 "IOPCBrowse::QueryInterface()  [defered to OPCServer]",
                                 "OPCServer::QueryInterface",
                             }));
}

} // namespace
