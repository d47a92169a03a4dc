// The tag store as a host sees it through the host API, and as clients see its nodes.
#include "fixtures/opc_client.h"
#include "support/times.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using vetrel::test::bstr;
using vetrel::test::i4;
using vetrel::test::narrow;
using vetrel::test::r4;

constexpr DWORD kNoTag = 0xFFFFFFFF;
constexpr WORD kGood = 0xC0;

DWORD create(const std::string& name, bool writable = false)
{
    return CreateTagA(name.c_str(), r4(1.5f), kGood, writable);
}

bool exists(const std::string& name)
{
    return UpdateTagByNameA(name.c_str(), r4(0.0f), kGood) != FALSE;
}

float readR4(DWORD tag)
{
    VARIANT value;
    VariantInit(&value);
    EXPECT_TRUE(ReadTag(tag, &value));
    EXPECT_EQ(value.vt, VT_R4);
    return value.fltVal;
}

TEST(TagNames, BranchesAreSharedAndPrunedWithTheirLastChild)
{
    const DWORD b = create("Prune.B");
    const DWORD c = create("Prune.C");
    ASSERT_NE(b, kNoTag);
    ASSERT_NE(c, kNoTag);
    // The branch counts as an existing node of its name.
    EXPECT_EQ(create("Prune"), kNoTag);
    EXPECT_TRUE(RemoveTag(b));
    EXPECT_EQ(create("Prune"), kNoTag);
    EXPECT_TRUE(RemoveTag(c));
    const DWORD prune = create("Prune");
    EXPECT_NE(prune, kNoTag) << "the empty branch should be gone";
    EXPECT_TRUE(RemoveTag(prune));
}

TEST(TagNames, TagGainingChildrenKeepsWorkingAndIsNeverPruned)
{
    const DWORD parent = create("Grow");
    const DWORD child = create("Grow.Child");
    ASSERT_NE(parent, kNoTag);
    ASSERT_NE(child, kNoTag);
    EXPECT_TRUE(UpdateTag(parent, r4(7.0f), kGood));
    EXPECT_EQ(readR4(parent), 7.0f);
    EXPECT_TRUE(RemoveTag(child));
    // Removing the only child leaves the host's own tag alone.
    EXPECT_TRUE(UpdateTag(parent, r4(8.0f), kGood));
    EXPECT_EQ(readR4(parent), 8.0f);
    EXPECT_TRUE(exists("Grow"));
    EXPECT_TRUE(RemoveTag(parent));
}

TEST(TagNames, MatchExactlyByteForByte)
{
    const DWORD lower = create("case.tag");
    const DWORD upper = create("Case.Tag");
    EXPECT_NE(lower, kNoTag);
    EXPECT_NE(upper, kNoTag);
    EXPECT_EQ(create("case.tag"), kNoTag);
    EXPECT_FALSE(exists("case.Tag"));
    EXPECT_FALSE(exists(" case.tag"));

    // A trailing full stop is part of the tag's name, found only by that exact name.
    const DWORD dotted = create("Trail.");
    ASSERT_NE(dotted, kNoTag);
    EXPECT_TRUE(exists("Trail."));
    EXPECT_FALSE(exists("Trail"));

    // A tag's full name is needed: an inner component alone names no tag.
    const DWORD deep = create("X1.Y1.Z1");
    ASSERT_NE(deep, kNoTag);
    EXPECT_FALSE(exists("Z1"));
    EXPECT_FALSE(exists("X1.Y1"));
    // A top-level branch is a node of its own name; deeper branches are reached by no name.
    EXPECT_TRUE(exists("X1"));
    EXPECT_TRUE(exists("X1.Y1.Z1"));
    for (DWORD tag : {lower, upper, dotted, deep}) EXPECT_TRUE(RemoveTag(tag));
}

// A branch with many children finds them through an index that must follow every add and
// removal, whatever order they come in, and across the size where it starts to be used.
TEST(TagNames, ManySiblingsStayFoundThroughAddsAndRemovals)
{
    const auto name = [](int i) { return "Many.Tag" + std::to_string(i); };
    std::vector<DWORD> tags;
    for (int i = 0; i < 300; ++i) tags.push_back(create(name(i)));
    // Every other tag from the middle outwards, then all but a few from the front.
    for (int i = 150; i < 300; i += 2) EXPECT_TRUE(RemoveTag(tags[i]));
    for (int i = 149; i >= 0; i -= 2) EXPECT_TRUE(RemoveTag(tags[i]));
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(exists(name(i)), i < 150 ? i % 2 == 0 : i % 2 == 1) << name(i);
    for (int i = 11; i < 300; ++i) EXPECT_TRUE(!exists(name(i)) || RemoveTag(tags[i]));
    for (int i = 0; i < 300; i += 3) {
        if (!exists(name(i))) tags[i] = create(name(i));
        EXPECT_NE(tags[i], kNoTag) << name(i);
    }
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(exists(name(i)), i % 3 == 0 || (i <= 10 && i % 2 == 0)) << name(i);
    EXPECT_EQ(create(name(0)), kNoTag) << "names stay unique";
    for (int i = 0; i < 300; ++i) EXPECT_TRUE(!exists(name(i)) || RemoveTag(tags[i]));
    EXPECT_FALSE(exists("Many"));
}

TEST(TagNames, EmptyNameIsRefused)
{
    EXPECT_EQ(CreateTagA("", r4(0.0f), kGood, FALSE), kNoTag);
    EXPECT_EQ(CreateTagA(nullptr, r4(0.0f), kGood, FALSE), kNoTag);
    EXPECT_FALSE(exists(""));
    EXPECT_FALSE(UpdateTagByNameA(nullptr, r4(0.0f), kGood));
}

TEST(TagNames, EmptyComponentsAreNamesOfTheirOwn)
{
    const DWORD gap = create("Gap..Leaf");
    ASSERT_NE(gap, kNoTag);
    EXPECT_TRUE(exists("Gap..Leaf"));
    EXPECT_FALSE(exists("Gap.Leaf"));
    EXPECT_TRUE(RemoveTag(gap));
    EXPECT_FALSE(exists("Gap..Leaf"));
}

TEST(TagHandles, StaleForgedAndNoTagHandlesAreRefused)
{
    const DWORD tag = create("Handles.Live");
    ASSERT_NE(tag, kNoTag);
    ASSERT_NE(tag, 0u);
    VARIANT out;
    VariantInit(&out);
    float limit = 1.0f;
    DWORD severity = 1;
    BOOL enabled = TRUE;
    for (DWORD bad : {kNoTag, DWORD(tag ^ 0x00400000u), DWORD(tag + 1), DWORD(0)}) {
        EXPECT_FALSE(UpdateTag(bad, r4(1.0f), kGood)) << bad;
        EXPECT_FALSE(ReadTag(bad, &out)) << bad;
        EXPECT_FALSE(SetTagPropertiesA(bad, "d", "u")) << bad;
        EXPECT_FALSE(SetItemLevelAlarm(bad, 3, 1.0f, 1, TRUE)) << bad;
        EXPECT_FALSE(GetItemLevelAlarm(bad, 3, &limit, &severity, &enabled)) << bad;
        EXPECT_FALSE(RemoveTag(bad)) << bad;
    }
    EXPECT_EQ(limit, 1.0f);
    EXPECT_TRUE(RemoveTag(tag));
    EXPECT_FALSE(RemoveTag(tag));
    EXPECT_FALSE(UpdateTag(tag, r4(1.0f), kGood));
    // A new tag in the freed place gets a handle of its own.
    const DWORD again = create("Handles.Live");
    EXPECT_NE(again, tag);
    EXPECT_FALSE(ReadTag(tag, &out));
    EXPECT_TRUE(RemoveTag(again));
}

TEST(TagHandles, RemovingATagEndsTheHandlesOfItsSubtree)
{
    const DWORD top = create("Sub");
    const DWORD child = create("Sub.Child");
    const DWORD grandchild = create("Sub.Child.Leaf");
    ASSERT_NE(grandchild, kNoTag);
    EXPECT_TRUE(RemoveTag(top));
    EXPECT_FALSE(UpdateTag(child, r4(1.0f), kGood));
    EXPECT_FALSE(UpdateTag(grandchild, r4(1.0f), kGood));
    EXPECT_FALSE(RemoveTag(grandchild));
    EXPECT_FALSE(exists("Sub.Child.Leaf"));
}

TEST(TagValues, ReadReturnsAnIndependentCopyAndClearsTheOldContent)
{
    VARIANT text = bstr("first");
    const DWORD tag = CreateTagA("Values.Text", text, kGood, TRUE);
    VariantClear(&text);
    ASSERT_NE(tag, kNoTag);

    VARIANT out = bstr("caller's old value");
    ASSERT_TRUE(ReadTag(tag, &out));
    ASSERT_EQ(out.vt, VT_BSTR);
    EXPECT_EQ(narrow(out.bstrVal), "first");

    VARIANT update = bstr("second");
    EXPECT_TRUE(UpdateTag(tag, update, 0x40));
    VariantClear(&update);
    EXPECT_EQ(narrow(out.bstrVal), "first");
    ASSERT_TRUE(ReadTag(tag, &out));
    EXPECT_EQ(narrow(out.bstrVal), "second");
    VariantClear(&out);

    EXPECT_TRUE(UpdateTagByNameA("Values.Text", i4(-3), kGood));
    ASSERT_TRUE(ReadTag(tag, &out));
    EXPECT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, -3);
    EXPECT_TRUE(RemoveTag(tag));
}

TEST(TagValues, UncopyableValueIsRefused)
{
    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x7FF; // no such type
    EXPECT_EQ(CreateTagA("Values.Bad", bad, kGood, FALSE), kNoTag);
    EXPECT_FALSE(exists("Values.Bad"));
}

TEST(TagLimits, DefaultsRangeAndRoundTrip)
{
    const DWORD tag = create("Limits.Tag");
    float limit = -1.0f;
    DWORD severity = 0;
    BOOL enabled = TRUE;
    ASSERT_TRUE(GetItemLevelAlarm(tag, 3, &limit, &severity, &enabled));
    EXPECT_EQ(limit, 100.0f);
    EXPECT_EQ(severity, 200u);
    EXPECT_FALSE(enabled);
    ASSERT_TRUE(GetItemLevelAlarm(tag, 1, &limit, &severity, &enabled));
    EXPECT_EQ(limit, 0.0f);

    EXPECT_TRUE(SetItemLevelAlarm(tag, 4, 90.5f, 700, TRUE));
    ASSERT_TRUE(GetItemLevelAlarm(tag, 4, &limit, &severity, &enabled));
    EXPECT_EQ(limit, 90.5f);
    EXPECT_EQ(severity, 700u);
    EXPECT_TRUE(enabled);

    for (int level : {0, 5, -1}) {
        limit = 1.25f;
        EXPECT_FALSE(SetItemLevelAlarm(tag, level, 1.0f, 1, TRUE));
        EXPECT_FALSE(GetItemLevelAlarm(tag, level, &limit, &severity, &enabled));
        EXPECT_EQ(limit, 1.25f) << "outputs stay untouched";
    }
    EXPECT_TRUE(RemoveTag(tag));
}

TEST(PlainForms, CutTheNameToTheBuffer)
{
    const std::string longName = "Cut." + std::string(300, 'n');
    const DWORD tag = CreateTag(longName, r4(0.0f), kGood, FALSE);
    ASSERT_NE(tag, kNoTag);
    EXPECT_FALSE(exists(longName));
    EXPECT_TRUE(exists(longName.substr(0, 199)));
    EXPECT_TRUE(UpdateTagByName(longName, r4(2.0f), kGood));
    EXPECT_EQ(readR4(tag), 2.0f);
    EXPECT_TRUE(RemoveTag(tag));
}

TEST(TagsSeenByClients, TopLevelBranchIsAReadOnlyItemDeeperBranchesAreUnknown)
{
    vetrel::test::startRuntime(100);
    const DWORD leaf = CreateTagA("Seen.Mid.Leaf", r4(3.0f), kGood, TRUE);
    ASSERT_NE(leaf, kNoTag);
    const auto client = vetrel::test::ClientConnection::connect();
    const auto group = client.addGroup("Branches");
    const auto added = group.addItems({{"Seen"}, {"Seen.Mid"}, {"Mid", "Seen"}});
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[0].error, S_OK);
    EXPECT_EQ(added[0].canonicalType, VT_R4);
    EXPECT_EQ(added[0].accessRights, static_cast<DWORD>(OPC_READABLE));
    EXPECT_EQ(added[1].error, OPC_E_UNKNOWNITEMID);
    EXPECT_EQ(added[2].error, OPC_E_UNKNOWNITEMID);

    const auto read = group.read({added[0].serverHandle});
    ASSERT_EQ(read.size(), 1u);
    ASSERT_EQ(read[0].value.type(), VT_R4);
    EXPECT_EQ(read[0].value.get().fltVal, 0.0f);
    EXPECT_EQ(read[0].quality, 0x40);
    EXPECT_TRUE(RemoveTag(leaf));
}

// Item properties 3 and 4 of a tag: its quality and its timestamp, as the tag holds them.
std::pair<int, double> qualityAndTime(IOPCServer* server, const std::string& name)
{
    vetrel::test::ComPtr<IOPCItemProperties> properties;
    EXPECT_EQ(
        server->QueryInterface(IID_IOPCItemProperties, reinterpret_cast<void**>(properties.put())),
        S_OK);
    if (!properties) return {};
    DWORD ids[] = {3, 4};
    VARIANT* values = nullptr;
    HRESULT* errors = nullptr;
    EXPECT_EQ(
        properties->GetItemProperties(vetrel::test::wide(name).data(), 2, ids, &values, &errors),
        S_OK);
    if (!values) return {};
    EXPECT_EQ(values[0].vt, VT_I2);
    EXPECT_EQ(values[1].vt, VT_DATE);
    const std::pair<int, double> got{values[0].iVal, values[1].date};
    CoTaskMemFree(values);
    CoTaskMemFree(errors);
    return got;
}

TEST(TagsSeenByClients, ClientWriteChangesTheValueButNotQualityOrTimestamp)
{
    vetrel::test::startRuntime(100);
    const DWORD tag = CreateTagA("Seen.Written", r4(1.0f), kGood, TRUE);
    ASSERT_NE(tag, kNoTag);
    ASSERT_TRUE(
        UpdateTagWithTimeStamp(tag, r4(1.0f), 0xD8, vetrel::test::fileTime(2021, 3, 4, 5, 6, 8)));
    const auto client = vetrel::test::ClientConnection::connect();
    const auto before = qualityAndTime(client.server(), "Seen.Written");
    EXPECT_EQ(before.first, 0xD8);

    const auto group = client.addGroup("Writer");
    std::vector<vetrel::Variant> values(1);
    *values[0].out() = r4(9.0f);
    EXPECT_EQ(group.write({group.addItem({"Seen.Written"})}, values), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(readR4(tag), 9.0f);
    EXPECT_EQ(qualityAndTime(client.server(), "Seen.Written"), before);
    EXPECT_TRUE(RemoveTag(tag));
}

TEST(HostApi, ReportsItsRevision)
{
    EXPECT_EQ(VetrelRevision(), 522);
}

} // namespace
