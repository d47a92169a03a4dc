#include "simulator/win32/main_frame.h"

#include "simulator/core/moxlan_app.h"
#include "simulator/win32/host_events.h"
#include "simulator/win32/info_dialogs.h"
#include "simulator/win32/message_box.h"
#include "simulator/win32/print_tag_list.h"
#include "simulator/win32/resource.h"

#include <algorithm>
#include <windowsx.h>

namespace moxlan::win32 {

namespace {

constexpr const char* kFrameClass = "MoxlanFrame";
constexpr int kBarHeight = 6;
constexpr int kMinPaneHeight = 20;
constexpr int kSimulateMenu = 2;

constexpr const char* kHelpText =
    "Moxlan simulates an OPC Data Access server.\n\n"
    "Simulate > New Variable adds a process variable that OPC clients see as a tag; "
    "Modify and Delete act on the line selected in the upper pane. Every variable steps once "
    "a second by its simulation type.\n\n"
    "Edit > Faults (also on a variable's context menu) publishes the selected variable with "
    "uncertain or bad quality, or freezes its value while its timestamp moves on. Faults are "
    "not saved.\n\n"
    "The lower pane logs every call that OPC clients make. View > Copy Events puts the log on "
    "the clipboard.\n\n"
    "The variables are kept in Moxlan.cfg beside the program.";

int clientHeight(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return client.bottom;
}

} // namespace

CMainFrame::CMainFrame(CMoxlanDoc& doc, CDocumentFiles& files)
    : m_doc(doc), m_files(files), m_tagView(doc)
{}

bool CMainFrame::create()
{
    registerClass(kFrameClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                  LoadCursor(nullptr, IDC_SIZENS));
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    if (!Window::create(kFrameClass, m_files.windowTitle().c_str(), WS_OVERLAPPEDWINDOW, nullptr,
                        menu, CW_USEDEFAULT, CW_USEDEFAULT, 760, 560)) {
        DestroyMenu(menu);
        return false;
    }
    return true;
}

void CMainFrame::updateTitle()
{
    SetWindowTextA(hwnd(), m_files.windowTitle().c_str());
}

LRESULT CMainFrame::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        m_tagView.create(hwnd(), IDW_PANE_TOP);
        m_eventView.create(hwnd(), IDW_PANE_BOTTOM);
        if (!m_tagView.hwnd() || !m_eventView.hwnd()) return -1;
        openMailbox(hwnd());
        return 0;
    case WM_SIZE:
        layout();
        return 0;
    case WM_SETFOCUS:
        SetFocus(m_tagView.hwnd());
        return 0;
    case WM_LBUTTONDOWN:
        m_dragging = true;
        SetCapture(hwnd());
        return 0;
    case WM_MOUSEMOVE:
        if (m_dragging) dragBar(GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (m_dragging) {
            m_dragging = false;
            if (message == WM_LBUTTONUP) ReleaseCapture();
        }
        return 0;
    case WM_INITMENUPOPUP:
        initPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam));
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            requestExit();
            return 0;
        }
        break;
    case WM_CLOSE:
        requestExit();
        return 0;
    case WM_HOST_EVENTS:
        deliverHostEvents();
        return 0;
    case WM_DESTROY:
        closeMailbox();
        PostQuitMessage(0);
        return 0;
    }
    return Window::handle(message, wParam, lParam);
}

void CMainFrame::layout()
{
    const int height = clientHeight(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    // Each pane starts with half the client height.
    if (m_split < 0) m_split = height / 2;
    const int top = std::clamp(m_split, 0, std::max(0, height - kBarHeight));
    const int bottom = top + kBarHeight;
    MoveWindow(m_tagView.hwnd(), 0, 0, client.right, top, TRUE);
    MoveWindow(m_eventView.hwnd(), 0, bottom, client.right, std::max(0, height - bottom), TRUE);
}

void CMainFrame::dragBar(int y)
{
    const int height = clientHeight(hwnd());
    const int highest = std::min(kMinPaneHeight, height / 2);
    const int lowest = std::max(highest, height - kBarHeight - kMinPaneHeight);
    m_split = std::clamp(y - kBarHeight / 2, highest, lowest);
    layout();
}

void CMainFrame::onCommand(int id)
{
    switch (id) {
    case ID_SIMULATE_NEW:
    case ID_SIMULATE_MODIFY:
    case ID_SIMULATE_DELETE:
        onSimulate(id);
        return;
    case ID_FAULT_GOOD:
    case ID_FAULT_UNCERTAIN:
    case ID_FAULT_BAD:
    case ID_FAULT_FREEZE:
    case ID_FAULT_RESUME:
        m_tagView.onFault(id);
        return;
    case ID_VIEW_CLEAR_EVENTS:
        m_eventView.clear();
        return;
    case ID_VIEW_COPY_EVENTS:
        m_eventView.copy();
        return;
    case ID_FILE_PRINT:
        printTagList(hwnd(), m_doc);
        return;
    case ID_APP_EXIT:
        requestExit();
        return;
    case ID_APP_ABOUT:
        showAboutDialog(hwnd());
        return;
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_CONTEXT_HELP:
        showHelp();
        return;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        focusOtherPane();
        return;
    }
    onFileCommand(id);
}

void CMainFrame::onSimulate(int id)
{
    // Commands can arrive by accelerator or message too: they do only what the menu offers.
    const SimulateCommands offered = m_tagView.commands();
    if (id == ID_SIMULATE_NEW && offered.newVariable) m_tagView.onNewVariable();
    if (id == ID_SIMULATE_MODIFY && offered.modify) m_tagView.onModify();
    if (id == ID_SIMULATE_DELETE && offered.remove) m_tagView.onDelete();
}

void CMainFrame::onFileCommand(int id)
{
    switch (id) {
    case ID_FILE_NEW:
        m_files.onNew(hwnd());
        break;
    case ID_FILE_OPEN:
        m_files.onOpen(hwnd());
        break;
    case ID_FILE_SAVE:
        m_files.onSave(hwnd());
        break;
    case ID_FILE_SAVE_AS:
        m_files.onSaveAs(hwnd());
        break;
    default:
        if (id < ID_FILE_MRU_FILE1 ||
            id >= ID_FILE_MRU_FILE1 + static_cast<int>(CRecentFileList::kMaxFiles))
            return;
        m_files.onRecent(hwnd(), static_cast<size_t>(id - ID_FILE_MRU_FILE1));
        break;
    }
    updateTitle();
    m_tagView.repaint();
}

void CMainFrame::requestExit()
{
    if (!orderlyExit(
            [](std::chrono::milliseconds wait) { Sleep(static_cast<DWORD>(wait.count())); })) {
        showMessage(hwnd(), kClientsAttachedMessage);
        return;
    }
    if (m_files.saveModified(hwnd())) DestroyWindow(hwnd());
}

void CMainFrame::initPopup(HMENU popup)
{
    HMENU bar = GetMenu(hwnd());
    if (popup == GetSubMenu(bar, 0)) {
        fillRecentFiles(popup);
        return;
    }
    // The Faults menu, under Edit or on the tag list's context menu.
    if (GetMenuState(popup, ID_FAULT_GOOD, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        m_tagView.initFaultMenu(popup);
        return;
    }
    if (popup != GetSubMenu(bar, kSimulateMenu)) return;
    const SimulateCommands offered = m_tagView.commands();
    const auto enable = [popup](int id, bool on) {
        EnableMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(ID_SIMULATE_NEW, offered.newVariable);
    enable(ID_SIMULATE_MODIFY, offered.modify);
    enable(ID_SIMULATE_DELETE, offered.remove);
}

void CMainFrame::fillRecentFiles(HMENU file)
{
    // The entries sit where the first one is, between two separators.
    int place = -1;
    for (int item = GetMenuItemCount(file) - 1; item >= 0; --item) {
        const UINT id = GetMenuItemID(file, item);
        if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kMaxFiles) {
            DeleteMenu(file, static_cast<UINT>(item), MF_BYPOSITION);
            place = item;
        }
    }
    if (place < 0) return;
    const auto& files = m_files.recentFiles();
    if (files.files().empty()) {
        InsertMenuA(file, static_cast<UINT>(place), MF_BYPOSITION | MF_STRING | MF_GRAYED,
                    ID_FILE_MRU_FILE1, "Recent File");
        return;
    }
    for (size_t i = 0; i < files.files().size(); ++i)
        InsertMenuA(file, static_cast<UINT>(place) + static_cast<UINT>(i),
                    MF_BYPOSITION | MF_STRING, ID_FILE_MRU_FILE1 + i, files.menuText(i).c_str());
}

void CMainFrame::showHelp()
{
    MessageBoxA(hwnd(), kHelpText, "Moxlan Help", MB_OK | MB_ICONINFORMATION);
}

void CMainFrame::focusOtherPane()
{
    SetFocus(GetFocus() == m_tagView.hwnd() ? m_eventView.hwnd() : m_tagView.hwnd());
}

} // namespace moxlan::win32
