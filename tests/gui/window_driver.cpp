#include "window_driver.h"

#include <algorithm>
#include <vector>

namespace gui {

namespace {

constexpr DWORD kPollMs = 50;

std::string className(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

LPARAM point(int x, int y)
{
    return MAKELPARAM(x, y);
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

HWND waitForWindow(const char* windowClass, const char* title, DWORD timeoutMs)
{
    HWND found = nullptr;
    waitUntil(
        [&] {
            found = FindWindowA(windowClass, title);
            return found != nullptr && IsWindowVisible(found);
        },
        timeoutMs);
    return found;
}

HWND waitForDialog(const char* title, DWORD timeoutMs)
{
    return waitForWindow("#32770", title, timeoutMs);
}

bool waitUntilGone(HWND window, DWORD timeoutMs)
{
    return waitUntil([window] { return !IsWindow(window); }, timeoutMs);
}

HWND findChild(HWND parent, const char* windowClass)
{
    struct Search
    {
        const char* windowClass;
        HWND found;
    } search{windowClass, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(context);
            if (className(child) != wanted->windowClass) return TRUE;
            wanted->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string windowText(HWND window)
{
    // WM_GETTEXT reaches controls of other processes, where GetWindowText does not.
    const auto length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const auto copied =
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::string staticTexts(HWND dialog)
{
    std::vector<HWND> statics;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM context) -> BOOL {
            if (className(child) == "Static")
                reinterpret_cast<std::vector<HWND>*>(context)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&statics));
    std::string texts;
    for (HWND child : statics) {
        const std::string text = windowText(child);
        if (text.empty()) continue;
        if (!texts.empty()) texts += "\n";
        texts += text;
    }
    return texts;
}

void setControlText(HWND dialog, int id, const std::string& text)
{
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string controlText(HWND dialog, int id)
{
    return windowText(GetDlgItem(dialog, id));
}

bool controlEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id));
}

bool buttonChecked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void clickButton(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void postCommand(HWND window, int id)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void clickAt(HWND window, int x, int y)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, point(x, y));
}

void doubleClickAt(HWND window, int x, int y)
{
    clickAt(window, x, y);
    PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, point(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, point(x, y));
}

std::optional<std::string> clipboardText()
{
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
            text = std::string(locked);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool setClipboardText(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    if (!block) return false;
    if (char* locked = static_cast<char*>(GlobalLock(block))) {
        std::copy(text.begin(), text.end(), locked);
        GlobalUnlock(block);
    }
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!placed) GlobalFree(block);
    CloseClipboard();
    return placed;
}

Program::Program(const std::string& path, const std::string& arguments)
{
    std::string file = path;
    if (!file.empty() && file.front() == '/') {
        std::replace(file.begin(), file.end(), '/', '\\');
        file = "Z:" + file;
    }
    std::string commandLine = "\"" + file + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return;
    CloseHandle(started.hThread);
    m_process = started.hProcess;
    m_id = started.dwProcessId;
}

Program::~Program()
{
    if (!m_process) return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) TerminateProcess(m_process, 1);
    CloseHandle(m_process);
}

std::optional<DWORD> Program::waitForExit(DWORD timeoutMs)
{
    if (!m_process || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}

HWND waitForProcessWindow(DWORD processId, const char* windowClass, DWORD timeoutMs)
{
    HWND found = nullptr;
    waitUntil(
        [&] {
            found = nullptr;
            HWND candidate = nullptr;
            while ((candidate = FindWindowExA(nullptr, candidate, windowClass, nullptr))) {
                DWORD owner = 0;
                GetWindowThreadProcessId(candidate, &owner);
                if (owner == processId && IsWindowVisible(candidate)) {
                    found = candidate;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

} // namespace gui
