// Moxlan.exe as a user and an OPC client meet it: the start-up dialog, variables added, changed
// and deleted through the variable dialog and seen by a client process, the event log on the
// clipboard, and the exit that waits for clients to leave.
#include "client_run.h"
#include "simulator/core/moxlan_app.h"
#include "simulator/win32/resource.h"
#include "window_driver.h"

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

// The copy of Moxlan.exe registered in this test's prefix; its folder takes Moxlan.cfg.
std::string appPath()
{
    const char* path = std::getenv("MOXLAN_GUI_APP");
    return path ? path : "";
}

std::string configPath()
{
    std::string path = appPath();
    path = path.substr(0, path.find_last_of('/') + 1) + "Moxlan.cfg";
    return "Z:" + path;
}

// A client that does not end within this time is ended and its read counts as failed.
constexpr DWORD kClientTimeoutMs = 15000;

// The variable's value as a client reads it, or nothing when the read fails.
std::optional<float> clientRead(const std::string& name)
{
    const std::optional<ClientRun> run = runClient(
        "opcprobe.exe", std::string("--progid ") + moxlan::kMoxlanProgId + " read " + name,
        kClientTimeoutMs);
    const std::string prefix = name + " = ";
    if (!run || run->exitCode != 0 || run->output.rfind(prefix, 0) != 0) return std::nullopt;
    return std::strtof(run->output.c_str() + prefix.size(), nullptr);
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

TEST_F(MoxlanGui, DeleteRemovesTheTag)
{
    clickAt(tagList(), 2, 2);
    postCommand(frame(), ID_SIMULATE_DELETE);
    EXPECT_TRUE(waitUntil([] { return !clientRead(kVariable); }));
}

TEST_F(MoxlanGui, CopyEventsPutsTheClientTraceOnTheClipboard)
{
    ASSERT_TRUE(setClipboardText("before"));
    SendMessageA(frame(), WM_COMMAND, ID_VIEW_COPY_EVENTS, 0);
    const std::optional<std::string> copied = clipboardText();
    ASSERT_TRUE(copied);
    // The clients of the earlier steps left their calls in the log, each line with its time.
    EXPECT_NE(copied->find("OPCServer"), std::string::npos) << copied->substr(0, 400);
    EXPECT_NE(copied->find("IOPCItemMgt::AddItems"), std::string::npos);
    ASSERT_GE(copied->size(), 23u);
    EXPECT_EQ(copied->substr(copied->size() - 2), "\r\n");
    EXPECT_EQ((*copied)[2], '-');
    EXPECT_EQ((*copied)[20], ' ');

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

    // Without clients Exit ends the program; the user declines to save the document, and the
    // configuration file is written all the same, now without variables.
    postCommand(frame(), ID_APP_EXIT);
    answerMessage("Save changes to Drevik.OPCServer?", IDNO);
    EXPECT_EQ(s_moxlan->waitForExit(kWindowTimeoutMs), 0u);

    std::ifstream saved(configPath(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(saved)),
                            std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string("\x08Rev. 1.1\0\0\0\0", 13));
}

} // namespace
