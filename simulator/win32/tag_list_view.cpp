#include "simulator/win32/tag_list_view.h"

#include "simulator/core/fault_command.h"
#include "simulator/core/variable_form.h"
#include "simulator/win32/device_tag_dlg.h"
#include "simulator/win32/message_box.h"
#include "simulator/win32/resource.h"
#include "simulator/win32/tag_list_drawing.h"

#include <windowsx.h>

namespace moxlan::win32 {

namespace {

constexpr UINT_PTR kSimulationTimer = 1;
constexpr UINT kSimulationPeriodMs = 1000;
constexpr const char* kMemoryFailureMessage = "Memory Allocation Failure!";
// The Edit menu's place in the menu bar, and the Faults menu's in it.
constexpr int kEditMenu = 1;
constexpr int kFaultsMenu = 0;

struct FaultItem
{
    int id;
    FaultCommand::Kind kind;
    FaultQuality quality;
};

constexpr FaultItem kFaultItems[] = {
    {ID_FAULT_GOOD, FaultCommand::Kind::Quality, FaultQuality::Good},
    {ID_FAULT_UNCERTAIN, FaultCommand::Kind::Quality, FaultQuality::Uncertain},
    {ID_FAULT_BAD, FaultCommand::Kind::Quality, FaultQuality::Bad},
    {ID_FAULT_FREEZE, FaultCommand::Kind::Freeze, FaultQuality::Good},
    {ID_FAULT_RESUME, FaultCommand::Kind::Resume, FaultQuality::Good},
};

} // namespace

CMoxlanView::CMoxlanView(CMoxlanDoc& doc) : CLineView("MoxlanTagList", 200), m_doc(doc) {}

void CMoxlanView::created()
{
    SetTimer(hwnd(), kSimulationTimer, kSimulationPeriodMs, nullptr);
}

LRESULT CMoxlanView::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != kSimulationTimer) break;
        m_doc.SimulateAll();
        repaint();
        return 0;
    case WM_LBUTTONDOWN:
        m_pane.click(GET_Y_LPARAM(lParam), geometry().cyLine, m_doc.GetDeviceCount());
        repaint();
        break;
    case WM_LBUTTONDBLCLK:
        onModify();
        return 0;
    case WM_CONTEXTMENU:
        showContextMenu(lParam);
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd(), kSimulationTimer);
        break;
    }
    return CLineView::handle(message, wParam, lParam);
}

void CMoxlanView::draw(HDC dc)
{
    const TagListPicture picture =
        layoutTagListOn(dc, geometry(), m_pane.topLine(), m_pane.selected(), m_doc);
    for (const TagListRow& row : picture.rows) {
        if (row.selected) {
            SelectObject(dc, GetStockObject(BLACK_PEN));
            SelectObject(dc, GetStockObject(BLACK_BRUSH));
            Rectangle(dc, 0, row.y, geometry().cxClient, row.y + geometry().cyLine);
            SetTextColor(dc, RGB(255, 255, 255));
            SetBkColor(dc, RGB(0, 0, 0));
        } else {
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
        }
        drawTagRow(dc, picture, row);
    }
}

bool CMoxlanView::scroll(ScrollAction action, int thumbPosition)
{
    return m_pane.scroll(action, thumbPosition, geometry().visibleLines(), m_doc.GetDeviceCount());
}

void CMoxlanView::onNewVariable()
{
    VariableForm form = newVariableForm();
    if (!CDeviceTagDlg(form).run(hwnd())) return;
    std::unique_ptr<CDeviceTag> device;
    try {
        device = std::make_unique<CDeviceTag>();
    } catch (const std::bad_alloc&) {
        showStop(hwnd(), kMemoryFailureMessage);
        return;
    }
    copyForm(form, *device);
    if (!m_doc.AddDevice(std::move(device))) showStop(hwnd(), kAddFailedMessage);
    repaint();
}

void CMoxlanView::onModify()
{
    CDeviceTag* device = m_doc.GetDevice(m_pane.selected());
    if (!device) return;
    VariableForm form = formOf(*device);
    if (!CDeviceTagDlg(form).run(hwnd())) return;
    // The tag hears of the new value at the next tick, of the alarms at once.
    copyForm(form, *device);
    m_doc.DeviceChanged(m_pane.selected());
    repaint();
}

void CMoxlanView::onDelete()
{
    m_doc.RemoveDevice(m_pane.selected());
    m_pane.removed(m_doc.GetDeviceCount());
    repaint();
}

void CMoxlanView::onFault(int id)
{
    const int index = m_pane.selected();
    const CDeviceTag* device = m_doc.GetDevice(index);
    if (!device) return;
    for (const FaultItem& item : kFaultItems) {
        if (item.id != id) continue;
        FaultCommand command;
        command.kind = item.kind;
        command.quality = item.quality;
        m_doc.SetFault(index, appliedFault(command, device->m_Fault));
    }
    repaint();
}

void CMoxlanView::initFaultMenu(HMENU faults) const
{
    const CDeviceTag* device = m_doc.GetDevice(m_pane.selected());
    const Fault fault = device ? device->m_Fault : Fault{};
    for (const FaultItem& item : kFaultItems) {
        bool enabled = device != nullptr;
        if (item.kind == FaultCommand::Kind::Freeze) enabled = enabled && !fault.frozen;
        if (item.kind == FaultCommand::Kind::Resume) enabled = enabled && fault.frozen;
        const bool checked =
            device && item.kind == FaultCommand::Kind::Quality && item.quality == fault.quality;
        EnableMenuItem(faults, static_cast<UINT>(item.id),
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(faults, static_cast<UINT>(item.id),
                      MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void CMoxlanView::showContextMenu(LPARAM screenPoint)
{
    POINT point{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    // From the keyboard the menu opens at the selected line, which it acts on.
    if (point.x == -1 && point.y == -1) {
        point = {0, (m_pane.selected() - m_pane.topLine()) * geometry().cyLine};
        ClientToScreen(hwnd(), &point);
    } else {
        POINT client = point;
        ScreenToClient(hwnd(), &client);
        m_pane.click(client.y, geometry().cyLine, m_doc.GetDeviceCount());
        repaint();
    }
    if (!m_doc.GetDevice(m_pane.selected())) return;
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    if (!menu) return;
    // The frame carries the command out, as it does the Edit menu's.
    TrackPopupMenu(GetSubMenu(GetSubMenu(menu, kEditMenu), kFaultsMenu),
                   TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, GetParent(hwnd()),
                   nullptr);
    DestroyMenu(menu);
}

} // namespace moxlan::win32
