// The File menu's memory and the document a start opens: recent files kept in the registry
// under the profile key, and the file named on the command line.
#include "platform/reg_key.h"
#include "simulator/core/document_argument.h"
#include "simulator/core/recent_files.h"

#include <gtest/gtest.h>

namespace {

using moxlan::CRecentFileList;

// A profile key of this test program's own, emptied before each use.
std::string freshProfileKey(const std::string& name)
{
    const std::string key = "Software\\Moxlan Tests\\" + name;
    RegDeleteKeyA(HKEY_CURRENT_USER, (key + "\\Recent File List").c_str());
    return key;
}

std::string storedEntry(const std::string& profileKey, const char* name)
{
    const vetrel::RegKey key = vetrel::RegKey::open(
        HKEY_CURRENT_USER, (profileKey + "\\Recent File List").c_str(), KEY_READ);
    if (!key) return "<no key>";
    char data[512] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return "<no value>";
    return data;
}

TEST(RecentFiles, NewestFirstAtMostFourWithoutRepeats)
{
    CRecentFileList list(freshProfileKey("order"));
    list.add("C:\\a.cfg");
    list.add("C:\\b.cfg");
    list.add("C:\\c.cfg");
    list.add("C:\\d.cfg");
    list.add("C:\\e.cfg");
    EXPECT_EQ(list.files(),
              (std::vector<std::string>{"C:\\e.cfg", "C:\\d.cfg", "C:\\c.cfg", "C:\\b.cfg"}));

    // Opening a listed file again moves it to the front, whatever its letter case.
    list.add("c:\\C.CFG");
    EXPECT_EQ(list.files(),
              (std::vector<std::string>{"c:\\C.CFG", "C:\\e.cfg", "C:\\d.cfg", "C:\\b.cfg"}));

    list.remove(1);
    list.remove(9);
    EXPECT_EQ(list.files(), (std::vector<std::string>{"c:\\C.CFG", "C:\\d.cfg", "C:\\b.cfg"}));

    EXPECT_EQ(list.menuText(0), "&1 c:\\C.CFG");
    list.add("C:\\R&D\\plant.cfg");
    EXPECT_EQ(list.menuText(0), "&1 C:\\R&&D\\plant.cfg");
    EXPECT_EQ(list.menuText(3), "&4 C:\\b.cfg");
}

TEST(RecentFiles, SurviveTheProgramInTheRegistry)
{
    const std::string profile = freshProfileKey("kept");
    {
        CRecentFileList list(profile);
        list.load();
        EXPECT_TRUE(list.files().empty());
        list.add("C:\\first.cfg");
        list.add("C:\\second.cfg");
        ASSERT_TRUE(list.save());
    }
    EXPECT_EQ(storedEntry(profile, "File1"), "C:\\second.cfg");
    EXPECT_EQ(storedEntry(profile, "File2"), "C:\\first.cfg");
    EXPECT_EQ(storedEntry(profile, "File3"), "<no value>");

    CRecentFileList next(profile);
    next.load();
    EXPECT_EQ(next.files(), (std::vector<std::string>{"C:\\second.cfg", "C:\\first.cfg"}));

    // A shorter list removes the entries it no longer has.
    next.remove(0);
    ASSERT_TRUE(next.save());
    EXPECT_EQ(storedEntry(profile, "File1"), "C:\\first.cfg");
    EXPECT_EQ(storedEntry(profile, "File2"), "<no value>");

    // Entries that are not text are skipped.
    {
        const vetrel::RegKey key =
            vetrel::RegKey::create(HKEY_CURRENT_USER, (profile + "\\Recent File List").c_str());
        const DWORD number = 7;
        RegSetValueExA(key.get(), "File2", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
    }
    CRecentFileList mixed(profile);
    mixed.load();
    EXPECT_EQ(mixed.files(), (std::vector<std::string>{"C:\\first.cfg"}));
}

TEST(DocumentArgument, FirstArgumentThatIsNoFlagNamesTheDocument)
{
    EXPECT_EQ(moxlan::documentArgument({}), std::nullopt);
    // COM starts a local server with a flag: that is still a new document.
    EXPECT_EQ(moxlan::documentArgument({"-Embedding"}), std::nullopt);
    EXPECT_EQ(moxlan::documentArgument({"/Automation", ""}), std::nullopt);
    EXPECT_EQ(moxlan::documentArgument({"-Embedding", "C:\\Plant.cfg", "other.cfg"}),
              "C:\\Plant.cfg");
    EXPECT_EQ(moxlan::documentArgument({"Z:\\work\\My Plant.cfg"}), "Z:\\work\\My Plant.cfg");
}

} // namespace
