#include "simulator/win32/window.h"

#include <exception>

namespace moxlan::win32 {

void Window::registerClass(const char* className, UINT style, HBRUSH background, HCURSOR cursor)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &windowClass)) return;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
}

HWND Window::create(const char* className, const char* title, DWORD style, HWND parent, HMENU menu,
                    int x, int y, int width, int height)
{
    return CreateWindowExA(0, className, title, style, x, y, width, height, parent, menu,
                           GetModuleHandleA(nullptr), this);
}

LRESULT Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Window::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        window->m_hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    if (!window) return DefWindowProcA(hwnd, message, wParam, lParam);
    // Nothing may unwind through the system's code: a failed message is dropped.
    try {
        const LRESULT result = window->handle(message, wParam, lParam);
        // The window is gone: no message reaches the object any more.
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            window->m_hwnd = nullptr;
        }
        return result;
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace moxlan::win32
