// Moxlan.exe as a user and an OPC client meet it: the start-up dialog, variables added, changed
// and deleted through the variable dialog and seen by a client process, the event log on the
// clipboard, and the exit that waits for clients to leave.
#include "client_run.h"
#include "simulator/core/moxlan_app.h"
#include "simulator/win32/resource.h"
#include "window_driver.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace {

using namespace gui;

constexpr const char* kVersionDialog = "Moxlan....OPC Version 2.0 Server Application";
constexpr const char* kVariableDialog = "Simulated Process Variable";
constexpr const char* kMessageBox = "Moxlan";
constexpr const char* kVariable = "Smoke.Ramp";
// The file name box of the Open and Save As dialogs.
constexpr int kFileNameControl = 1148;

// The copy of Moxlan.exe registered in this test's prefix; its folder takes Moxlan.cfg.
std::string appPath()
{
    const char* path = std::getenv("MOXLAN_GUI_APP");
    return path ? path : "";
}

// A file in the program's folder, as Windows programs name it.
std::string appFolderFile(const std::string& name)
{
    std::string path = appPath();
    path = "Z:" + path.substr(0, path.find_last_of('/') + 1) + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string configPath()
{
    return appFolderFile("Moxlan.cfg");
}

std::string fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A configuration file of one variable: Ramp, 0.5, incremental every tick in 0 ... 100 by 0.5.
const std::string kRampFile("\x08Rev. 1.1\x01\0\0\0\x04Ramp\0\0\0\x3F\x02\0\0\0\x01\0\0\0"
                            "\0\0\0\0\0\0\xC8\x42\0\0\0\x3F",
                            42);
// What a file of that one variable starts with, whatever its value has become.
const std::string kRampFileStart = kRampFile.substr(0, 18);

// The program's recent-file entry, or nothing when it has none.
std::optional<std::string> recentFile(int number)
{
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    const std::string name = "File" + std::to_string(number);
    if (RegGetValueA(HKEY_CURRENT_USER,
                     "Software\\Local AppWizard-Generated Applications\\Moxlan\\Recent File List",
                     name.c_str(), RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(path);
}

// A client that does not end within this time is ended and its read counts as failed.
constexpr DWORD kClientTimeoutMs = 15000;

// The variable's value as a client reads it, or nothing when the read fails.
// What opcprobe prints for the item: "NAME = VALUE (TYPE, QUALITY, TIME)"; nothing when the
// read fails.
std::optional<std::string> clientReadLine(const std::string& name)
{
    const std::optional<ClientRun> run = runClient(
        "opcprobe.exe", std::string("--progid ") + moxlan::kMoxlanProgId + " read " + name,
        kClientTimeoutMs);
    if (!run || run->exitCode != 0 || run->output.rfind(name + " = ", 0) != 0) return std::nullopt;
    return run->output;
}

std::optional<float> clientRead(const std::string& name)
{
    const std::optional<std::string> line = clientReadLine(name);
    if (!line) return std::nullopt;
    return std::strtof(line->c_str() + name.size() + 3, nullptr);
}

// Picks the file in the Open or Save As dialog.
void chooseFile(const char* dialogTitle, const std::string& path)
{
    HWND dialog = waitForDialog(dialogTitle);
    ASSERT_TRUE(dialog) << "no " << dialogTitle << " dialog";
    setControlText(dialog, kFileNameControl, path);
    clickButton(dialog, IDOK);
    EXPECT_TRUE(waitUntilGone(dialog));
}

// Answers the message box that says the text.
void answerMessage(const std::string& text, int button = IDOK)
{
    HWND box = waitForDialog(kMessageBox);
    ASSERT_TRUE(box) << "no message box saying " << text;
    EXPECT_NE(staticTexts(box).find(text), std::string::npos) << staticTexts(box);
    clickButton(box, button);
    EXPECT_TRUE(waitUntilGone(box));
}

class MoxlanGui : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        std::remove(configPath().c_str());
        s_moxlan = std::make_unique<Program>(appPath(), "");
    }
    static void TearDownTestSuite() { s_moxlan.reset(); }

    static HWND frame() { return waitForProcessWindow(s_moxlan->id(), "MoxlanFrame"); }
    static HWND tagList() { return findChild(frame(), "MoxlanTagList"); }

    static std::unique_ptr<Program> s_moxlan;
};

std::unique_ptr<Program> MoxlanGui::s_moxlan;

TEST_F(MoxlanGui, StartsWithItsWindowAndTheStartUpDialog)
{
    ASSERT_TRUE(s_moxlan->started()) << appPath();
    ASSERT_TRUE(frame());
    EXPECT_EQ(windowText(frame()), "Drevik.OPCServer - Moxlan");
    EXPECT_TRUE(tagList());
    EXPECT_TRUE(findChild(frame(), "MoxlanEventLog"));

    HWND dialog = waitForDialog(kVersionDialog);
    ASSERT_TRUE(dialog);
    const std::string texts = staticTexts(dialog);
    EXPECT_NE(texts.find("OLE for Process Control (Version 2.0)"), std::string::npos) << texts;
    EXPECT_NE(texts.find("by an OPC Version 1.0 or Version 2.0 client application."),
              std::string::npos);
    clickButton(dialog, IDOK);
    EXPECT_TRUE(waitUntilGone(dialog));
}

TEST_F(MoxlanGui, AboutAndHelpShowTheirTexts)
{
    postCommand(frame(), ID_APP_ABOUT);
    HWND about = waitForDialog("Moxlan...OPC Server Simulation");
    ASSERT_TRUE(about);
    EXPECT_NE(staticTexts(about).find("Moxlan- (Version 3.2)"), std::string::npos);
    clickButton(about, IDOK);
    EXPECT_TRUE(waitUntilGone(about));

    postCommand(frame(), ID_HELP_FINDER);
    HWND help = waitForDialog("Moxlan Help");
    ASSERT_TRUE(help);
    EXPECT_NE(staticTexts(help).find("Simulate > New Variable"), std::string::npos);
    clickButton(help, IDOK);
    EXPECT_TRUE(waitUntilGone(help));
}

TEST_F(MoxlanGui, NewVariableDialogAddsATagThatClientsRead)
{
    postCommand(frame(), ID_SIMULATE_NEW);
    HWND dialog = waitForDialog(kVariableDialog);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(controlText(dialog, IDC_NAME), "New Value");
    EXPECT_EQ(controlText(dialog, IDC_VALUE), "0");
    EXPECT_EQ(controlText(dialog, IDC_INTERVAL), "1");
    EXPECT_TRUE(controlEnabled(dialog, IDC_NAME));
    EXPECT_TRUE(buttonChecked(dialog, IDC_CONSTANT));
    EXPECT_FALSE(controlEnabled(dialog, IDC_LOW));
    EXPECT_FALSE(controlEnabled(dialog, IDC_STEP));

    setControlText(dialog, IDC_NAME, kVariable);
    clickButton(dialog, IDC_INCREMENTAL);
    EXPECT_TRUE(waitUntil([&] { return controlEnabled(dialog, IDC_STEP); }));
    EXPECT_TRUE(controlEnabled(dialog, IDC_LOW));
    EXPECT_TRUE(controlEnabled(dialog, IDC_HIGH));

    // A value that is no number keeps the dialog open.
    setControlText(dialog, IDC_VALUE, "five");
    clickButton(dialog, IDOK);
    answerMessage("Please enter a number.");
    EXPECT_TRUE(IsWindow(dialog));

    setControlText(dialog, IDC_VALUE, "5");
    setControlText(dialog, IDC_LOW, "0");
    setControlText(dialog, IDC_HIGH, "100000");
    setControlText(dialog, IDC_STEP, "1");
    clickButton(dialog, IDOK);
    ASSERT_TRUE(waitUntilGone(dialog));

    // The variable is a tag now, counting up from 5 once a second.
    std::optional<float> first;
    ASSERT_TRUE(waitUntil([&] { return (first = clientRead(kVariable)).has_value(); }));
    EXPECT_GE(*first, 5.0f);
    EXPECT_TRUE(waitUntil([&] { return clientRead(kVariable) > first; }));

    // A second variable of the same name is refused with both messages.
    postCommand(frame(), ID_SIMULATE_NEW);
    dialog = waitForDialog(kVariableDialog);
    ASSERT_TRUE(dialog);
    setControlText(dialog, IDC_NAME, kVariable);
    clickButton(dialog, IDOK);
    answerMessage("Each Simulated Value must have a unique name!");
    answerMessage("Could not add Device to Document List");
    EXPECT_TRUE(waitUntilGone(dialog));
}

TEST_F(MoxlanGui, DoubleClickModifiesTheVariableThatClientsRead)
{
    doubleClickAt(tagList(), 2, 2);
    HWND dialog = waitForDialog(kVariableDialog);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(controlText(dialog, IDC_NAME), kVariable);
    EXPECT_FALSE(controlEnabled(dialog, IDC_NAME));
    EXPECT_TRUE(buttonChecked(dialog, IDC_INCREMENTAL));
    EXPECT_EQ(controlText(dialog, IDC_HIGH), "100000");

    clickButton(dialog, IDC_CONSTANT);
    EXPECT_TRUE(waitUntil([&] { return !controlEnabled(dialog, IDC_STEP); }));
    EXPECT_FALSE(controlEnabled(dialog, IDC_LOW));
    setControlText(dialog, IDC_VALUE, "42");
    clickButton(dialog, IDOK);
    ASSERT_TRUE(waitUntilGone(dialog));

    // The next tick publishes the new value, and a constant keeps it.
    EXPECT_TRUE(waitUntil([] { return clientRead(kVariable) == 42.0f; }));
}

TEST_F(MoxlanGui, FaultsMenuPublishesTheSelectedVariableWithItsQuality)
{
    clickAt(tagList(), 2, 2);
    const auto quality = [](const char* text) {
        return [text] {
            const std::optional<std::string> line = clientReadLine(kVariable);
            return line && line->find(std::string(", ") + text + ", ") != std::string::npos;
        };
    };
    postCommand(frame(), ID_FAULT_BAD);
    EXPECT_TRUE(waitUntil(quality("bad")));
    postCommand(frame(), ID_FAULT_UNCERTAIN);
    EXPECT_TRUE(waitUntil(quality("uncertain")));
    postCommand(frame(), ID_FAULT_GOOD);
    EXPECT_TRUE(waitUntil(quality("good")));
}

TEST_F(MoxlanGui, DeleteRemovesTheTag)
{
    clickAt(tagList(), 2, 2);
    postCommand(frame(), ID_SIMULATE_DELETE);
    EXPECT_TRUE(waitUntil([] { return !clientRead(kVariable); }));
}

TEST_F(MoxlanGui, OpenSaveAsAndRecentFilesSwapTheVariables)
{
    const std::string opened = appFolderFile("Opened.cfg");
    const std::string saved = appFolderFile("Saved.cfg");
    std::ofstream(opened, std::ios::binary) << kRampFile;

    // The delete left the document modified: the user declines to save it first.
    postCommand(frame(), ID_FILE_OPEN);
    answerMessage("Save changes to Drevik.OPCServer?", IDNO);
    chooseFile("Open", opened);
    EXPECT_TRUE(waitUntil([&] { return windowText(frame()) == "Opened.cfg - Moxlan"; }));
    EXPECT_TRUE(waitUntil([] { return clientRead("Ramp").has_value(); }));

    postCommand(frame(), ID_FILE_SAVE_AS);
    chooseFile("Save As", saved);
    EXPECT_TRUE(waitUntil([&] { return windowText(frame()) == "Saved.cfg - Moxlan"; }));
    const std::string bytes = fileBytes(saved);
    EXPECT_EQ(bytes.size(), kRampFile.size());
    EXPECT_EQ(bytes.substr(0, kRampFileStart.size()), kRampFileStart);

    // The recent files, newest first: Saved.cfg, then Opened.cfg. The second opens again.
    postCommand(frame(), ID_FILE_MRU_FILE1 + 1);
    EXPECT_TRUE(waitUntil([&] { return windowText(frame()) == "Opened.cfg - Moxlan"; }));
    // Now Saved.cfg is second; gone from the disk, it leaves the list with a message.
    ASSERT_EQ(std::remove(saved.c_str()), 0);
    postCommand(frame(), ID_FILE_MRU_FILE1 + 1);
    answerMessage("Cannot open " + saved);
    EXPECT_EQ(windowText(frame()), "Opened.cfg - Moxlan");
    EXPECT_TRUE(clientRead("Ramp").has_value());
}

TEST_F(MoxlanGui, CopyEventsPutsTheClientTraceOnTheClipboard)
{
    ASSERT_TRUE(setClipboardText("before"));
    SendMessageA(frame(), WM_COMMAND, ID_VIEW_COPY_EVENTS, 0);
    const std::optional<std::string> copied = clipboardText();
    ASSERT_TRUE(copied);
    // The clients of the earlier steps (reads by item ID) left their calls in the log, each
    // line with its time.
    EXPECT_NE(copied->find("OPCServer"), std::string::npos) << copied->substr(0, 400);
    EXPECT_NE(copied->find("IOPCItemIO::Read"), std::string::npos);
    ASSERT_GE(copied->size(), 23u);
    EXPECT_EQ(copied->substr(copied->size() - 2), "\r\n");
    EXPECT_EQ((*copied)[2], '-');
    EXPECT_EQ((*copied)[20], ' ');

    // The last client of the earlier steps may still be leaving: it has left once the log ends
    // with its server's last Release. Only then can the log stay empty.
    EXPECT_TRUE(waitUntil([&] {
        SendMessageA(frame(), WM_COMMAND, ID_VIEW_COPY_EVENTS, 0);
        const std::optional<std::string> log = clipboardText();
        return log && log->ends_with("OPCServer::Release(1)\r\n");
    }));

    // An empty log copies nothing: the clipboard keeps what it had.
    SendMessageA(frame(), WM_COMMAND, ID_VIEW_CLEAR_EVENTS, 0);
    ASSERT_TRUE(setClipboardText("kept"));
    SendMessageA(frame(), WM_COMMAND, ID_VIEW_COPY_EVENTS, 0);
    EXPECT_EQ(clipboardText(), "kept");
}

TEST_F(MoxlanGui, ExitWaitsForAttachedClients)
{
    ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0);
    IUnknown* client = nullptr;
    ASSERT_EQ(CoCreateInstance(moxlan::kMoxlanClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&client)),
              S_OK);

    postCommand(frame(), ID_APP_EXIT);
    answerMessage(moxlan::kClientsAttachedMessage);
    // The close box takes the same way.
    PostMessageA(frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
    answerMessage(moxlan::kClientsAttachedMessage);
    EXPECT_TRUE(IsWindow(frame()));

    client->Release();
    CoUninitialize();

    // Without clients Exit ends the program. The opened document is unchanged, so nothing is
    // asked; the configuration file takes its variable all the same, and the recent-file list
    // is kept for the next start.
    postCommand(frame(), ID_APP_EXIT);
    EXPECT_EQ(s_moxlan->waitForExit(kWindowTimeoutMs), 0u);

    const std::string bytes = fileBytes(configPath());
    EXPECT_EQ(bytes.size(), kRampFile.size());
    EXPECT_EQ(bytes.substr(0, kRampFileStart.size()), kRampFileStart);
    EXPECT_EQ(recentFile(1), appFolderFile("Opened.cfg"));
    EXPECT_EQ(recentFile(2), std::nullopt);
}

} // namespace
