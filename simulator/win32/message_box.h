// The program's message boxes, all titled with the program's name.
#pragma once

#include <string>
#include <windows.h>

namespace moxlan::win32 {

constexpr const char* kAppTitle = "Moxlan";

// A user error or a notice: OK only.
inline void showMessage(HWND owner, const std::string& text, UINT icon = 0)
{
    MessageBoxA(owner, text.c_str(), kAppTitle, MB_OK | icon);
}

// An operation that could not be done: OK with the stop icon.
inline void showStop(HWND owner, const std::string& text)
{
    showMessage(owner, text, MB_ICONSTOP);
}

} // namespace moxlan::win32
