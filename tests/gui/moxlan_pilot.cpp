// moxlan-pilot: steers a running Moxlan.exe from a script, as its window driver does in tests.
//
//   moxlan-pilot start-up   closes the start-up information dialog once it shows
//   moxlan-pilot select N   selects line N of the tag list (counted from the top line)
//
// Exits 0 when the step was done, 1 when the window did not show, 2 on a wrong command line.
#include "window_driver.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kVersionDialog = "Moxlan....OPC Version 2.0 Server Application";

int closeStartUpDialog()
{
    HWND dialog = gui::waitForDialog(kVersionDialog);
    if (!dialog) return 1;
    gui::clickButton(dialog, IDOK);
    return gui::waitUntilGone(dialog) ? 0 : 1;
}

int selectLine(int line)
{
    HWND frame = gui::waitForWindow("MoxlanFrame", nullptr);
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

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "start-up" && argc == 2) return closeStartUpDialog();
    if (command == "select" && argc == 3) return selectLine(std::atoi(argv[2]));
    std::fputs("usage: moxlan-pilot start-up | select LINE\n", stderr);
    return 2;
}
