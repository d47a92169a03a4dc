// opcprobe's browse and properties commands against a Vetrel server in the same process: the
// tree it walks, the flat list, the properties it reads, and how it prints them; and its reads
// and writes through the 3.0 interfaces against those through a group.
#include "browse.h"
#include "da_version.h"
#include "item_io_da3.h"
#include "properties.h"
#include "report.h"
#include "session.h"
#include "support/times.h"
#include "support/variants.h"
#include "value_text.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using namespace opcprobe;

constexpr CLSID kProbedClass = {
    0x0B7E3C57, 0x91A2, 0x4D6B, {0x8E, 0x10, 0x5A, 0x2C, 0x77, 0x01, 0xD4, 0x3F}};

class OpcProbeBrowse : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InitVetrel(kProbedClass, 50)); }
    void TearDown() override
    {
        for (DWORD tag : m_tags) RemoveTag(tag);
        EXPECT_EQ(NumbrClientConnections(), 0) << "a connection leaked";
    }

    DWORD tag(const char* name, const VARIANT& value)
    {
        m_tags.push_back(CreateTagA(name, value, OPC_QUALITY_GOOD, TRUE));
        return m_tags.back();
    }

    std::vector<DWORD> m_tags;
};

TEST_F(OpcProbeBrowse, WalksTheTreeAndListsEveryItemID)
{
    // Plant.Line is an item with items below it.
    for (const char* name :
         {"Plant.Line.Speed", "Solo", "Plant.Tank", "Plant.Line.Belt.Load", "Plant.Line"})
        tag(name, vetrel::test::r4(0.0f));
    Session session(kProbedClass);
    const BrowseTree tree = browseTree(session.server());
    EXPECT_EQ(tree.organization, OPC_NS_HIERARCHIAL);
    EXPECT_EQ(browseText(tree), "Plant/\n"
                                "  Line/ (Plant.Line)\n"
                                "    Belt/\n"
                                "      Load (Plant.Line.Belt.Load)\n"
                                "    Speed (Plant.Line.Speed)\n"
                                "  Tank (Plant.Tank)\n"
                                "Solo (Solo)\n");
    const nlohmann::json document = browseJson(tree);
    EXPECT_EQ(document["organization"], "hierarchical");
    EXPECT_EQ(document["nodes"][0]["children"][0]["itemID"], "Plant.Line");
    EXPECT_EQ(document["nodes"][0]["children"][0]["children"].size(), 2u);
    EXPECT_FALSE(document["nodes"][0].contains("itemID")) << "Plant is no item";
    EXPECT_EQ(document["nodes"][0]["children"][1]["itemID"], "Plant.Tank");
    EXPECT_EQ(document["nodes"][1], (nlohmann::json{{"name", "Solo"}, {"itemID", "Solo"}}));

    // The walk leaves the server's position at the root, where a flat listing starts.
    const std::vector<std::string> itemIDs = browseFlat(session.server());
    EXPECT_EQ(flatText(itemIDs),
              "Plant.Line.Speed\nPlant.Line.Belt.Load\nPlant.Tank\nPlant.Line\nSolo\n");
    EXPECT_EQ(flatJson(itemIDs)["itemIDs"].size(), 5u);
}

TEST_F(OpcProbeBrowse, FlatNamespaceIsOneLevelOfLeaves)
{
    tag("Alpha", vetrel::test::r4(0.0f));
    tag("Beta", vetrel::test::r4(0.0f));
    Session session(kProbedClass);
    const BrowseTree tree = browseTree(session.server());
    EXPECT_EQ(tree.organization, OPC_NS_FLAT);
    EXPECT_EQ(browseText(tree), "Alpha (Alpha)\nBeta (Beta)\n");
    EXPECT_EQ(browseJson(tree)["organization"], "flat");
    EXPECT_EQ(browseFlat(session.server()), (std::vector<std::string>{"Alpha", "Beta"}));
}

// Values print as read prints them: the canonical type by name, the timestamp, which the server
// gives in its local time, in UTC.
TEST_F(OpcProbeBrowse, ReadsEveryPropertyOfAnItem)
{
    const DWORD count = tag("Probe.Count", vetrel::test::i4(7));
    ASSERT_TRUE(SetTagPropertiesA(count, "Parts made", "pcs"));
    ASSERT_TRUE(UpdateTagWithTimeStamp(count, vetrel::test::i4(7), OPC_QUALITY_GOOD,
                                       vetrel::test::fileTime(2026, 12, 7, 21, 30, 36, 125)));
    Session session(kProbedClass);
    const std::vector<PropertyValue> properties = itemProperties(session.server(), "Probe.Count");
    ASSERT_EQ(properties.size(), 8u);
    const std::string text = propertiesText(properties);
    for (const char* line :
         {"1 Item Canonical Data Type (VT_I2): VT_I4\n", "2 Item Value (VT_R4): 7 (VT_I4)\n",
          "4 Item Timestamp (VT_DATE): 2026-12-07T21:30:36.125Z\n",
          "5 Item Access Rights (VT_I4): 3\n", "6 Server Scan Rate (VT_R4): 10\n",
          "100 EU Units (VT_BSTR): pcs\n", "101 Item Description (VT_BSTR): Parts made\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    const nlohmann::json document = propertiesJson("Probe.Count", properties);
    EXPECT_EQ(document["item"], "Probe.Count");
    EXPECT_EQ(document["properties"][0]["value"], "VT_I4");
    EXPECT_EQ(document["properties"][3]["value"], "2026-12-07T21:30:36.125Z");
    EXPECT_EQ(document["properties"][1], (nlohmann::json{{"id", 2},
                                                         {"description", "Item Value"},
                                                         {"type", "VT_R4"},
                                                         {"value", 7},
                                                         {"valueType", "VT_I4"}}));
    try {
        itemProperties(session.server(), "No.Such.Item");
        FAIL() << "an unknown item has no properties";
    } catch (const ProbeFailure& failure) {
        EXPECT_EQ(failure.result(), OPC_E_UNKNOWNITEMID);
    }
}

// Through IOPCBrowse the probe prints what it prints through the 2.0 interfaces, whatever the
// shape of the namespace; a branch of more elements than one batch takes continuation points.
TEST_F(OpcProbeBrowse, Da3InterfacesGiveTheSameAnswers)
{
    std::vector<std::string> many;
    for (int i = 0; i < 300; ++i) many.push_back("Big.T" + std::to_string(1000 + i));
    const std::vector<std::vector<std::string>> namespaces = {
        {"Plant.Line.Speed", "Solo", "Plant.Tank", "Plant.Line.Belt.Load", "Plant.Line"},
        {"Alpha", "Beta"},
        many,
    };
    for (const auto& names : namespaces) {
        for (const std::string& name : names) tag(name.c_str(), vetrel::test::r4(1.5f));
        ASSERT_TRUE(SetTagPropertiesA(m_tags.front(), "First", "m"));
        Session session(kProbedClass);
        EXPECT_EQ(chooseDaVersion(session.server(), std::nullopt), DaVersion::V3);
        EXPECT_EQ(chooseDaVersion(session.server(), DaVersion::V2), DaVersion::V2);
        const BrowseTree tree2 = browseTree(session.server()),
                         tree3 = browseTreeDa3(session.server());
        EXPECT_EQ(browseText(tree3), browseText(tree2)) << names.front();
        EXPECT_EQ(browseJson(tree3), browseJson(tree2)) << names.front();
        EXPECT_EQ(browseFlatDa3(session.server()), browseFlat(session.server())) << names.front();
        EXPECT_EQ(propertiesText(itemPropertiesDa3(session.server(), names.front())),
                  propertiesText(itemProperties(session.server(), names.front())));
        try {
            itemPropertiesDa3(session.server(), "No.Such.Item");
            FAIL() << "an unknown item has no properties";
        } catch (const ProbeFailure& failure) {
            EXPECT_EQ(failure.result(), OPC_E_UNKNOWNITEMID);
        }
        for (DWORD handle : m_tags) RemoveTag(handle);
        m_tags.clear();
    }
}

// Through IOPCItemIO reads and writes print what they print through a group: values, refusals
// of the probe, read-only items, unknown items.
TEST_F(OpcProbeBrowse, Da3ReadsAndWritesGiveTheSameAnswers)
{
    const DWORD level = tag("Io.Level", vetrel::test::r4(1.5f));
    m_tags.push_back(CreateTagA("Io.Fixed", vetrel::test::i4(7), OPC_QUALITY_GOOD, FALSE));
    Session session(kProbedClass);
    const std::vector<std::string> items = {"Io.Level", "Io.Fixed", "No.Such.Item"};
    for (const OPCDATASOURCE source : {OPC_DS_CACHE, OPC_DS_DEVICE}) {
        const std::vector<ItemValue> through3 = readDa3(session.server(), items, source);
        const std::vector<ItemValue> through2 = session.read(items, source);
        ASSERT_EQ(through3.size(), through2.size());
        // The times differ: a group's new item is stamped when it is added, a tag read by
        // item ID carries the host's own time.
        for (size_t i = 0; i < through2.size(); ++i) {
            EXPECT_EQ(through3[i].item, through2[i].item);
            EXPECT_EQ(through3[i].error, through2[i].error);
            EXPECT_EQ(valueText(through3[i].value.get()), valueText(through2[i].value.get()));
            EXPECT_EQ(through3[i].quality, through2[i].quality);
            EXPECT_EQ(vetrel::test::ticks(through3[i].timestamp) != 0,
                      SUCCEEDED(through2[i].error));
        }
    }

    const std::vector<std::vector<Assignment>> writes = {
        {{"Io.Level", "2.5"}},
        {{"Io.Level", "not a number"}},
        {{"Io.Fixed", "8"}},
        {{"No.Such.Item", "1"}},
        {{"Io.Level", "3.5"}, {"Io.Fixed", "9"}, {"No.Such.Item", "1"}},
    };
    for (const auto& assignments : writes) {
        SCOPED_TRACE(assignments.front().item + "=" + assignments.front().text);
        const std::vector<WriteResult> through3 = writeDa3(session.server(), assignments);
        VARIANT after3;
        VariantInit(&after3);
        ASSERT_TRUE(ReadTag(level, &after3));
        ASSERT_TRUE(UpdateTag(level, vetrel::test::r4(1.5f), OPC_QUALITY_GOOD));
        const std::vector<WriteResult> through2 = session.write(assignments);
        VARIANT after2;
        VariantInit(&after2);
        ASSERT_TRUE(ReadTag(level, &after2));
        EXPECT_EQ(after3.fltVal, after2.fltVal);
        ASSERT_TRUE(UpdateTag(level, vetrel::test::r4(1.5f), OPC_QUALITY_GOOD));
        ASSERT_EQ(through3.size(), through2.size());
        for (size_t i = 0; i < through2.size(); ++i) {
            EXPECT_EQ(through3[i].item, through2[i].item);
            EXPECT_EQ(through3[i].problem, through2[i].problem);
            // A group's Write names a refused write OPC_E_BADTYPE; WriteVQT says why.
            const bool readOnly = through2[i].problem == through2[i].item + " is read-only";
            EXPECT_EQ(through3[i].error, readOnly ? OPC_E_BADRIGHTS : through2[i].error);
        }
    }
}

TEST(OpcProbeProperties, PrintsAFailedPropertyWithItsError)
{
    std::vector<PropertyValue> properties(1);
    properties[0].id = 7;
    properties[0].description = "Item EU Type";
    properties[0].type = VT_I4;
    properties[0].error = OPC_E_INVALID_PID;
    EXPECT_EQ(propertiesText(properties),
              "7 Item EU Type (VT_I4): the item has no such property \u2014 OPC_E_INVALID_PID "
              "0xC0040203\n");
    const nlohmann::json entry = propertiesJson("X", properties)["properties"][0];
    EXPECT_EQ(entry["error"]["name"], "OPC_E_INVALID_PID");
    EXPECT_FALSE(entry.contains("value"));
}

} // namespace
