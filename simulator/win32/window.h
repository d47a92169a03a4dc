// Window: the one home of the window procedure that hands every message of a window to its C++
// object, which the window's creation parameter names.
#pragma once

#include <windows.h>

namespace moxlan::win32 {

class Window
{
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() = default;

    HWND hwnd() const noexcept { return m_hwnd; }

protected:
    // Registers the class once per process; its procedure reaches handle() of the object that
    // create() names.
    static void registerClass(const char* className, UINT style, HBRUSH background,
                              HCURSOR cursor = nullptr);
    HWND create(const char* className, const char* title, DWORD style, HWND parent, HMENU menu,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int width = CW_USEDEFAULT,
                int height = CW_USEDEFAULT);

    // Messages of the window; what it does not handle goes to DefWindowProc.
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};

} // namespace moxlan::win32
