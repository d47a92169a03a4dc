// Drives another program's windows through the Win32 API as a user would: windows are found by
// class, title and control id, and handled by the messages their controls understand.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <windows.h>

namespace gui {

// How long a window may take to come or go before a step counts as failed.
constexpr DWORD kWindowTimeoutMs = 20000;

// Polls the condition until it holds; false when the timeout passes first.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWindowTimeoutMs);

// The top-level window of that class and title, once it exists; null after the timeout. A null
// title matches any.
HWND waitForWindow(const char* className, const char* title, DWORD timeoutMs = kWindowTimeoutMs);
// A dialog box or message box of that title.
HWND waitForDialog(const char* title, DWORD timeoutMs = kWindowTimeoutMs);
// True once the window is gone.
bool waitUntilGone(HWND window, DWORD timeoutMs = kWindowTimeoutMs);
// The first child window of that class, at any depth.
HWND findChild(HWND parent, const char* className);

std::string windowText(HWND window);
// Every static text of a dialog, joined by newlines: what a message box says.
std::string staticTexts(HWND dialog);

void setControlText(HWND dialog, int id, const std::string& text);
std::string controlText(HWND dialog, int id);
bool controlEnabled(HWND dialog, int id);
bool buttonChecked(HWND dialog, int id);
// Clicks a button: posted, so a click that closes a dialog or opens another never blocks the
// driver.
void clickButton(HWND dialog, int id);
// A menu command as the menu sends it, posted for the same reason.
void postCommand(HWND window, int id);
// A left click at a point of the window's client area, and a double click there.
void clickAt(HWND window, int x, int y);
void doubleClickAt(HWND window, int x, int y);

// The clipboard's plain text, or nothing when it holds none.
std::optional<std::string> clipboardText();
bool setClipboardText(const std::string& text);

// A program started by the driver, ended when the object goes if it still runs.
class Program
{
public:
    // windowsPath: the program file; a Unix path is reached through drive Z:.
    Program(const std::string& path, const std::string& arguments);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const noexcept { return m_process != nullptr; }
    DWORD id() const noexcept { return m_id; }
    // The exit code once it has ended; nothing while it still runs after the timeout.
    std::optional<DWORD> waitForExit(DWORD timeoutMs);

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// The top-level window of that class that belongs to the process.
HWND waitForProcessWindow(DWORD processId, const char* className,
                          DWORD timeoutMs = kWindowTimeoutMs);

} // namespace gui
