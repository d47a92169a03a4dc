// moxlan-pilot: steers a running Moxlan.exe from a script, as its window driver does in tests.
//
//   moxlan-pilot window     waits until the main window shows: the OPC server is registered
//   moxlan-pilot start-up   closes the start-up information dialog once it shows
//   moxlan-pilot select N   selects line N of the tag list (counted from the top line)
//   moxlan-pilot exit       File > Exit, declining to save the document, until the program ends
//
// Exits 0 when the step was done, 1 when the window did not show or the program did not end, 2
// on a wrong command line.
#include "simulator/win32/resource.h"
#include "window_driver.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kVersionDialog = "Moxlan....OPC Version 2.0 Server Application";
constexpr const char* kMessageBox = "Moxlan";

HWND mainWindow()
{
    return gui::waitForWindow("MoxlanFrame", nullptr);
}

int closeStartUpDialog()
{
    HWND dialog = gui::waitForDialog(kVersionDialog);
    if (!dialog) return 1;
    gui::clickButton(dialog, IDOK);
    return gui::waitUntilGone(dialog) ? 0 : 1;
}

int selectLine(int line)
{
    HWND frame = mainWindow();
    HWND tagList = frame ? gui::findChild(frame, "MoxlanTagList") : nullptr;
    if (!tagList) return 1;
    // The lines are as high as the pane's font: find it the way the pane does.
    HDC dc = GetDC(tagList);
    HGDIOBJ previous = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(tagList, dc);
    gui::clickAt(tagList, 2, line * metrics.tmHeight + metrics.tmHeight / 2);
    return 0;
}

// The program asks before it ends: "No" to saving the document; any other question is
// answered with its default button and the exit counts as failed.
int exitProgram()
{
    HWND frame = mainWindow();
    if (!frame) return 1;
    DWORD processId = 0;
    GetWindowThreadProcessId(frame, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    gui::postCommand(frame, ID_APP_EXIT);
    bool declinedOnlySaving = true;
    const bool ended = gui::waitUntil([&] {
        if (HWND box = gui::waitForDialog(kMessageBox, 0)) {
            const std::string text = gui::staticTexts(box);
            const bool savingQuestion = text.find("Save changes") != std::string::npos;
            if (!savingQuestion) std::fprintf(stderr, "moxlan-pilot: %s\n", text.c_str());
            declinedOnlySaving = declinedOnlySaving && savingQuestion;
            gui::clickButton(box, savingQuestion ? IDNO : IDOK);
            gui::waitUntilGone(box);
        }
        return !IsWindow(frame);
    });
    // The window goes before the process: it still saves and leaves the runtime.
    const bool exited = process && WaitForSingleObject(process, gui::kWindowTimeoutMs) == 0;
    if (process) CloseHandle(process);
    return ended && exited && declinedOnlySaving ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "window" && argc == 2) return mainWindow() ? 0 : 1;
    if (command == "start-up" && argc == 2) return closeStartUpDialog();
    if (command == "select" && argc == 3) return selectLine(std::atoi(argv[2]));
    if (command == "exit" && argc == 2) return exitProgram();
    std::fputs("usage: moxlan-pilot window | start-up | select LINE | exit\n", stderr);
    return 2;
}
