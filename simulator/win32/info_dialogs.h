// CAboutDlg and CVersionDlg: the two information dialogs, each with the program's picture.
#pragma once

#include <windows.h>

namespace moxlan::win32 {

// The About box of the Help menu.
void showAboutDialog(HWND owner);
// The dialog every normal start shows once its window is up.
void showVersionDialog(HWND owner);

} // namespace moxlan::win32
