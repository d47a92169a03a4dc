#include "simulator/win32/tag_list_view.h"

#include "simulator/core/variable_form.h"
#include "simulator/win32/device_tag_dlg.h"
#include "simulator/win32/message_box.h"
#include "simulator/win32/tag_list_drawing.h"

#include <windowsx.h>

namespace moxlan::win32 {

namespace {

constexpr UINT_PTR kSimulationTimer = 1;
constexpr UINT kSimulationPeriodMs = 1000;
constexpr const char* kMemoryFailureMessage = "Memory Allocation Failure!";

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
        TextOutA(dc, 0, row.y, row.name.data(), static_cast<int>(row.name.size()));
        TextOutA(dc, picture.valueX, row.y, row.value.data(), static_cast<int>(row.value.size()));
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
    // The tag itself hears of the change at the next tick.
    copyForm(form, *device);
    m_doc.SetModifiedFlag();
    repaint();
}

void CMoxlanView::onDelete()
{
    m_doc.RemoveDevice(m_pane.selected());
    m_pane.removed(m_doc.GetDeviceCount());
    repaint();
}

} // namespace moxlan::win32
