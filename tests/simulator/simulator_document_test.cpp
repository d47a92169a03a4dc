// The simulator's document over the real runtime: one tag per variable, the add and remove
// rules, ticks and client writes, and the configuration file at start-up, load and the end.
#include "simulator/core/file_store.h"
#include "simulator/core/moxlan_doc.h"
#include "simulator/temp_folder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using moxlan::CDeviceTag;
using moxlan::CMoxlanDoc;
using moxlan::test::TempFolder;
using vetrel::test::r4;

std::unique_ptr<CDeviceTag> variable(std::string name, int type = moxlan::SIM_CONSTANT,
                                     float value = 0.0f, float step = 0.5f)
{
    auto device = std::make_unique<CDeviceTag>();
    device->m_Name = std::move(name);
    device->m_SimType = type;
    device->setValue(value);
    device->m_Step = step;
    return device;
}

// The tag's value as a float, or nothing when the handle reaches no tag.
std::optional<float> tagValue(std::int32_t handle)
{
    VARIANT value;
    VariantInit(&value);
    if (!ReadTag(static_cast<DWORD>(handle), &value)) return std::nullopt;
    EXPECT_EQ(value.vt, VT_R4);
    return value.fltVal;
}

std::vector<std::int32_t> handlesOf(const CMoxlanDoc& doc)
{
    std::vector<std::int32_t> handles;
    for (int i = 0; i < doc.GetDeviceCount(); ++i) handles.push_back(doc.GetDevice(i)->m_hTag);
    return handles;
}

TEST(Document, AddDeviceCreatesOneTagUnderTheListRules)
{
    std::vector<std::string> messages;
    CMoxlanDoc doc({}, [&](const std::string& message) { messages.push_back(message); });
    EXPECT_FALSE(doc.IsModified());

    ASSERT_TRUE(doc.AddDevice(variable("Add.Flow", moxlan::SIM_CONSTANT, 2.5f)));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(tagValue(doc.GetDevice(0)->m_hTag), 2.5f);

    EXPECT_FALSE(doc.AddDevice(variable("Add.Flow")));
    EXPECT_EQ(messages, std::vector<std::string>{"Each Simulated Value must have a unique name!"});
    EXPECT_TRUE(doc.AddDevice(variable("add.flow"))) << "names differ by letter case";

    for (int i = doc.GetDeviceCount(); i < 200; ++i)
        ASSERT_TRUE(doc.AddDevice(variable("Add.Bulk" + std::to_string(i))));
    EXPECT_FALSE(doc.AddDevice(variable("Add.Extra")));
    EXPECT_FALSE(doc.AddDevice(variable("Add.Flow")));
    EXPECT_EQ(doc.GetDeviceCount(), 200);
    EXPECT_EQ(messages.size(), 1u) << "a full list refuses before names are compared";

    EXPECT_EQ(doc.GetDevice(-1), nullptr);
    EXPECT_EQ(doc.GetDevice(200), nullptr);
    EXPECT_EQ(doc.GetDeviceName(200), "");
    EXPECT_EQ(doc.GetDeviceName(1), "add.flow");
}

TEST(Document, RemoveDeviceRemovesTheTagAndMovesLaterEntriesUp)
{
    CMoxlanDoc doc;
    for (const char* name : {"Remove.A", "Remove.B", "Remove.C"}) doc.AddDevice(variable(name));
    const std::int32_t middle = doc.GetDevice(1)->m_hTag;
    doc.SetModifiedFlag(false);

    EXPECT_FALSE(doc.RemoveDevice(-1));
    EXPECT_FALSE(doc.RemoveDevice(3));
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.RemoveDevice(1));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(tagValue(middle), std::nullopt);
    EXPECT_EQ(doc.GetDeviceName(1), "Remove.C");
    EXPECT_TRUE(doc.RemoveDevice(1));
    EXPECT_TRUE(doc.RemoveDevice(0));
    EXPECT_EQ(doc.GetDeviceCount(), 0);
    // The name is free again, for a new tag.
    EXPECT_TRUE(doc.AddDevice(variable("Remove.B")));
}

TEST(Document, EveryTickPushesEveryVariable)
{
    CMoxlanDoc doc;
    doc.AddDevice(variable("Tick.Ramp", moxlan::SIM_INCREMENTAL, 0.0f, 0.5f));
    doc.AddDevice(variable("Tick.Still", moxlan::SIM_CONSTANT, 3.0f));
    const std::int32_t ramp = doc.GetDevice(0)->m_hTag;
    const std::int32_t still = doc.GetDevice(1)->m_hTag;
    // A value pushed by someone else is overwritten by the next tick, changed or not.
    VARIANT other = r4(-1.0f);
    ASSERT_TRUE(UpdateTag(static_cast<DWORD>(still), other, 0));

    doc.SimulateAll();
    EXPECT_EQ(tagValue(ramp), 0.5f);
    EXPECT_EQ(tagValue(still), 3.0f);
    doc.SimulateAll();
    EXPECT_EQ(tagValue(ramp), 1.0f);
}

// A client write stores the value in the tag, then the runtime notifies the host, which reads
// it there and hands it to the main thread.
void clientWrites(CMoxlanDoc& doc, DWORD tag, const VARIANT& value)
{
    ASSERT_TRUE(UpdateTag(tag, value, 192));
    const std::optional<float> written = CMoxlanDoc::WrittenValue(tag);
    if (written) doc.OnTagWritten(tag, *written);
}

TEST(Document, ClientWriteContinuesTheSimulation)
{
    CMoxlanDoc doc;
    doc.AddDevice(variable("Write.Ramp", moxlan::SIM_INCREMENTAL, 0.0f, 0.5f));
    doc.AddDevice(variable("Write.Hold", moxlan::SIM_CONSTANT, 1.0f));
    doc.AddDevice(variable("Write.Noise", moxlan::SIM_RANDOM, 0.0f));
    const auto handle = [&](int i) { return static_cast<DWORD>(doc.GetDevice(i)->m_hTag); };

    for (int i = 0; i < 3; ++i) clientWrites(doc, handle(i), r4(40.0f + float(i)));
    EXPECT_EQ(doc.GetDevice(0)->value(), 40.0f);
    doc.SimulateAll();
    EXPECT_EQ(tagValue(doc.GetDevice(0)->m_hTag), 40.5f) << "counts on from the written value";
    EXPECT_EQ(tagValue(doc.GetDevice(1)->m_hTag), 41.0f) << "holds the written value";
    const float noise = doc.GetDevice(2)->value();
    EXPECT_TRUE(noise >= 0.0f && noise <= 100.0f) << "draws anew inside its range: " << noise;

    // A value of another type is taken as a float; one that is no number changes nothing.
    clientWrites(doc, handle(1), vetrel::test::i4(7));
    EXPECT_EQ(doc.GetDevice(1)->value(), 7.0f);
    EXPECT_EQ(doc.GetDevice(1)->m_Value.vt, VT_R4);
    VARIANT text = vetrel::test::bstr("not a number");
    clientWrites(doc, handle(1), text);
    VariantClear(&text);
    EXPECT_FALSE(CMoxlanDoc::WrittenValue(handle(1)));
    EXPECT_EQ(doc.GetDevice(1)->value(), 7.0f);

    // A handle no variable has changes nothing.
    EXPECT_FALSE(CMoxlanDoc::WrittenValue(0xFFFFFFFF));
    doc.OnTagWritten(0xFFFFFFFF, 1.0f);
    EXPECT_EQ(doc.GetDevice(0)->value(), 40.5f);
}

TEST(Document, LoadReplacesTheVariablesAndTheirTags)
{
    CMoxlanDoc doc;
    doc.AddDevice(variable("Load.Old"));
    const std::int32_t old = doc.GetDevice(0)->m_hTag;

    std::string records;
    {
        moxlan::DeviceList list;
        list.push_back(variable("Load.Same", moxlan::SIM_CONSTANT, 1.0f));
        list.push_back(variable("Load.Same", moxlan::SIM_CONSTANT, 2.0f));
        list.push_back(variable(std::string(300, 'L'), moxlan::SIM_CONSTANT, 3.0f));
        for (int i = 0; i < 250; ++i) list.push_back(variable("Load.Bulk" + std::to_string(i)));
        list.push_back(variable("Load.Same", moxlan::SIM_CONSTANT, 4.0f));
        records = moxlan::formatConfig(list);
    }
    ASSERT_TRUE(doc.load(records).loaded);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(tagValue(old), std::nullopt);
    ASSERT_EQ(doc.GetDeviceCount(), 254) << "a file is not held to the limit of 200";
    EXPECT_EQ(tagValue(doc.GetDevice(0)->m_hTag), 1.0f);
    EXPECT_EQ(doc.GetDevice(1)->m_hTag, -1) << "the runtime refuses a second tag of one name";
    EXPECT_EQ(tagValue(doc.GetDevice(2)->m_hTag), 3.0f);
    EXPECT_TRUE(UpdateTagByNameA(std::string(199, 'L').c_str(), r4(0), 192))
        << "the tag carries the first 199 characters of a long name";
    EXPECT_FALSE(doc.AddDevice(variable("Load.New")));
    doc.SimulateAll(); // the refused variable's update reaches no tag
    // A write notice reaches every variable that holds its handle, not only the first.
    doc.OnTagWritten(0xFFFFFFFF, 9.0f);
    EXPECT_EQ(doc.GetDevice(1)->value(), 9.0f);
    EXPECT_EQ(doc.GetDevice(253)->value(), 9.0f);
    EXPECT_EQ(doc.GetDevice(0)->value(), 1.0f);

    ASSERT_TRUE(doc.load(moxlan::formatConfig({})).loaded);
    EXPECT_EQ(doc.GetDeviceCount(), 0);
    EXPECT_TRUE(doc.AddDevice(variable("Load.Same")));
}

TEST(Document, RefusedLoadChangesNothing)
{
    CMoxlanDoc doc;
    doc.AddDevice(variable("Refuse.A", moxlan::SIM_CONSTANT, 1.0f));
    doc.AddDevice(variable("Refuse.B", moxlan::SIM_CONSTANT, 2.0f));
    const std::string before = doc.store();
    const std::vector<std::int32_t> handles = handlesOf(doc);

    moxlan::DeviceList list;
    list.push_back(variable("Refuse.New"));
    list.push_back(variable("Refuse.Newer"));
    const std::string file = moxlan::formatConfig(list);
    for (const std::string& refused :
         {file.substr(0, file.size() - 1), file.substr(0, 11), std::string(),
          std::string("\x08Rev. 1.0\x01\x00\x00\x00", 13) + file.substr(13)}) {
        const CMoxlanDoc::LoadResult result = doc.load(refused);
        EXPECT_FALSE(result.loaded);
        EXPECT_FALSE(result.problem.empty());
        EXPECT_EQ(doc.store(), before);
        EXPECT_EQ(handlesOf(doc), handles);
        EXPECT_EQ(tagValue(handles[0]), 1.0f);
        EXPECT_EQ(tagValue(handles[1]), 2.0f);
    }
    EXPECT_EQ(tagValue(-1), std::nullopt);
    EXPECT_FALSE(doc.loadFile("/nonexistent/Moxlan.cfg").loaded);
    EXPECT_EQ(handlesOf(doc), handles);
}

TEST(Document, ConfigurationFileIsLoadedAtStartAndSavedAtTheEnd)
{
    TempFolder folder;
    const auto config = folder / "Moxlan.cfg";
    std::int32_t handle = -1;
    {
        CMoxlanDoc doc(config);
        EXPECT_EQ(doc.GetDeviceCount(), 0) << "a missing file gives an empty list";
        EXPECT_EQ(doc.startupProblem(), "");
        EXPECT_NE(doc.startupNote().find("does not exist yet"), std::string::npos);
        doc.AddDevice(variable("Saved.Ramp", moxlan::SIM_INCREMENTAL, 1.0f, 0.25f));
        doc.SimulateAll();
        handle = doc.GetDevice(0)->m_hTag;
    }
    EXPECT_EQ(tagValue(handle), std::nullopt) << "the end removes every tag";
    {
        CMoxlanDoc doc(config);
        ASSERT_EQ(doc.GetDeviceCount(), 1);
        EXPECT_EQ(doc.GetDevice(0)->value(), 1.25f);
        EXPECT_EQ(doc.GetDevice(0)->m_Step, 0.25f);
        EXPECT_EQ(tagValue(doc.GetDevice(0)->m_hTag), 1.25f);

        // File Save As writes elsewhere; the end still saves to the configuration file.
        doc.SimulateAll();
        ASSERT_TRUE(doc.saveFile(folder / "copy.cfg"));
        doc.SimulateAll();
    }
    EXPECT_EQ(folder.fileNames(), (std::vector<std::string>{"Moxlan.cfg", "copy.cfg"}));
    CMoxlanDoc copy(folder / "copy.cfg");
    EXPECT_EQ(copy.GetDevice(0)->value(), 1.5f);
    CMoxlanDoc last(config);
    EXPECT_EQ(last.GetDevice(0)->value(), 1.75f);

    // A final save that cannot create its file still removes every tag.
    {
        CMoxlanDoc doc(folder / "missing" / "Moxlan.cfg");
        doc.AddDevice(variable("Unsaved.Flow"));
        handle = doc.GetDevice(0)->m_hTag;
        ASSERT_TRUE(tagValue(handle).has_value());
    }
    EXPECT_EQ(tagValue(handle), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));

    // A path that is there but cannot be read is a problem, not a new configuration.
    std::filesystem::create_directory(folder / "unreadable.cfg");
    CMoxlanDoc unreadable(folder / "unreadable.cfg");
    EXPECT_EQ(unreadable.startupNote(), "");
    EXPECT_NE(unreadable.startupProblem().find("cannot be read"), std::string::npos);
}

TEST(Document, DamagedConfigurationIsKeptAsBadAndReplacedByAValidOne)
{
    TempFolder folder;
    const auto config = folder / "Moxlan.cfg";
    const auto kept = folder / "Moxlan.cfg.bad";
    ASSERT_TRUE(moxlan::replaceFile(kept, "an older damaged file"));
    const std::string damaged =
        moxlan::formatConfig({}).substr(0, 9) + std::string("\x05\x00\x00\x00\x03"
                                                            "Abc",
                                                            8);
    ASSERT_TRUE(moxlan::replaceFile(config, damaged));
    {
        CMoxlanDoc doc(config);
        EXPECT_EQ(doc.GetDeviceCount(), 0);
        EXPECT_NE(doc.startupProblem().find("Moxlan.cfg.bad"), std::string::npos)
            << doc.startupProblem();
        EXPECT_EQ(moxlan::readWholeFile(kept), damaged);
        EXPECT_TRUE(doc.AddDevice(variable("Damaged.New")));
    }
    EXPECT_EQ(moxlan::readWholeFile(kept), damaged);
    CMoxlanDoc reloaded(config);
    EXPECT_EQ(reloaded.startupProblem(), "");
    ASSERT_EQ(reloaded.GetDeviceCount(), 1);
    EXPECT_EQ(reloaded.GetDeviceName(0), "Damaged.New");

    // When no copy can be kept, the damaged file itself is left alone at the end.
    TempFolder blocked;
    std::filesystem::create_directory(blocked / "Moxlan.cfg.bad");
    ASSERT_TRUE(moxlan::replaceFile(blocked / "Moxlan.cfg", damaged));
    {
        CMoxlanDoc doc(blocked / "Moxlan.cfg");
        EXPECT_NE(doc.startupProblem().find("will not be overwritten"), std::string::npos)
            << doc.startupProblem();
        EXPECT_TRUE(doc.AddDevice(variable("Damaged.Lost")));
    }
    EXPECT_EQ(moxlan::readWholeFile(blocked / "Moxlan.cfg"), damaged);

    // Another revision is kept the same way rather than overwritten.
    TempFolder other;
    const std::string older = std::string("\x08Rev. 1.0\x00\x00\x00\x00", 13);
    ASSERT_TRUE(moxlan::replaceFile(other / "Moxlan.cfg", older));
    {
        CMoxlanDoc doc(other / "Moxlan.cfg");
    }
    EXPECT_EQ(moxlan::readWholeFile(other / "Moxlan.cfg.bad"), older);
    EXPECT_EQ(moxlan::readWholeFile(other / "Moxlan.cfg"), moxlan::formatConfig({}));
}

TEST(Document, NewDocumentKeepsTheVariables)
{
    CMoxlanDoc doc;
    doc.AddDevice(variable("New.Kept"));
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.title(), "Drevik.OPCServer");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetDeviceCount(), 1);
    EXPECT_TRUE(tagValue(doc.GetDevice(0)->m_hTag).has_value());
}

// The level limit the runtime holds for the tag: enabled, limit and severity.
std::tuple<BOOL, float, DWORD> tagLimit(std::int32_t handle, int level)
{
    float limit = -1.0f;
    DWORD severity = 0;
    BOOL enabled = -1;
    EXPECT_TRUE(GetItemLevelAlarm(static_cast<DWORD>(handle), level, &limit, &severity, &enabled));
    return {enabled, limit, severity};
}

TEST(Document, AlarmsLiveInTheirOwnFileAndReachTheTags)
{
    TempFolder folder;
    const auto config = folder / "Moxlan.cfg";
    const auto alarms = folder / "Moxlan.cfg.alarms";
    {
        CMoxlanDoc doc(config);
        doc.AddDevice(variable("Plain"));
        auto alarmed = variable("Tank.Level", moxlan::SIM_TRIANGLE, 0.0f, 20.0f);
        alarmed->m_Alarms.levels[moxlan::kHi] = {true, 80.0f, 600};
        alarmed->m_Alarms.levels[moxlan::kLoLo] = {true, 5.0f, 900};
        doc.AddDevice(std::move(alarmed));
        EXPECT_EQ(tagLimit(doc.GetDevice(1)->m_hTag, 3), std::make_tuple(TRUE, 80.0f, 600u));
        EXPECT_EQ(tagLimit(doc.GetDevice(1)->m_hTag, 1), std::make_tuple(TRUE, 5.0f, 900u));
        EXPECT_EQ(std::get<0>(tagLimit(doc.GetDevice(0)->m_hTag, 3)), FALSE);
    }
    EXPECT_EQ(folder.fileNames(), (std::vector<std::string>{"Moxlan.cfg", "Moxlan.cfg.alarms"}));
    // The configuration file is what it would be without alarms.
    {
        CMoxlanDoc plain;
        plain.AddDevice(variable("Plain"));
        plain.AddDevice(variable("Tank.Level", moxlan::SIM_TRIANGLE, 0.0f, 20.0f));
        EXPECT_EQ(moxlan::readWholeFile(config), plain.store());
    }
    {
        CMoxlanDoc doc(config);
        EXPECT_EQ(doc.startupProblem(), "");
        ASSERT_EQ(doc.GetDeviceCount(), 2);
        EXPECT_EQ(tagLimit(doc.GetDevice(1)->m_hTag, 3), std::make_tuple(TRUE, 80.0f, 600u));
        // A limit turned off stops holding in the runtime at once.
        doc.GetDevice(1)->m_Alarms.levels[moxlan::kHi].enabled = false;
        doc.DeviceChanged(1);
        EXPECT_EQ(std::get<0>(tagLimit(doc.GetDevice(1)->m_hTag, 3)), FALSE);
        doc.GetDevice(1)->m_Alarms = {};
    }
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"})
        << "a configuration without alarms has no alarm file";
}

TEST(Document, DamagedAlarmFileIsKeptAsBadAndTheVariablesLoad)
{
    TempFolder folder;
    const auto config = folder / "Moxlan.cfg";
    {
        CMoxlanDoc doc(config);
        auto alarmed = variable("Flow");
        alarmed->m_Alarms.levels[moxlan::kHiHi] = {true, 95.0f, 1000};
        doc.AddDevice(std::move(alarmed));
    }
    const std::string good = *moxlan::readWholeFile(folder / "Moxlan.cfg.alarms");
    const std::string damaged[] = {
        good.substr(0, good.size() - 1), good + "x",
        std::string("\x0FMoxlan alarms 2") + good.substr(16),
        good.substr(0, good.size() - 4) + std::string("\0\0\0\0", 4), // severity 0
    };
    for (const std::string& bytes : damaged) {
        ASSERT_TRUE(moxlan::replaceFile(folder / "Moxlan.cfg.alarms", bytes));
        {
            CMoxlanDoc doc(config);
            ASSERT_EQ(doc.GetDeviceCount(), 1);
            EXPECT_FALSE(doc.GetDevice(0)->m_Alarms.any());
            EXPECT_NE(doc.startupProblem().find("Moxlan.cfg.alarms.bad"), std::string::npos)
                << doc.startupProblem();
            EXPECT_EQ(moxlan::readWholeFile(folder / "Moxlan.cfg.alarms.bad"), bytes);
            doc.GetDevice(0)->m_Alarms.levels[moxlan::kHiHi] = {true, 95.0f, 1000};
        }
        EXPECT_EQ(moxlan::readWholeFile(folder / "Moxlan.cfg.alarms"), good);
    }
}

} // namespace
