#include "simulator/win32/event_log_view.h"

#include "platform/global_lock.h"

#include <cstring>

namespace moxlan::win32 {

COPCSvrEventView::COPCSvrEventView() : CLineView("MoxlanEventLog", CEventLog::kMaxLines) {}

void COPCSvrEventView::addLine(std::string_view text, const SYSTEMTIME& localTime)
{
    m_pane.addLine(text, localTime, geometry().visibleLines());
}

void COPCSvrEventView::showNewLines()
{
    showTopLine();
    repaint();
}

void COPCSvrEventView::clear()
{
    m_pane.clear();
    showTopLine();
    repaint();
}

void COPCSvrEventView::copy()
{
    if (m_pane.lineCount() == 0) return;
    const std::string text = m_pane.log().copyText();
    // Zero-filled, so the text ends in its terminator.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    if (!block) return;
    {
        const vetrel::GlobalLock locked(block);
        if (!locked) {
            GlobalFree(block);
            return;
        }
        std::memcpy(locked.get(), text.data(), text.size());
    }
    if (!OpenClipboard(hwnd())) {
        GlobalFree(block);
        return;
    }
    EmptyClipboard();
    // The clipboard owns the block from here on.
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    CloseClipboard();
}

void COPCSvrEventView::draw(HDC dc)
{
    const auto& lines = m_pane.log().lines();
    const int visible = geometry().visibleLines();
    for (int row = 0; row < visible; ++row) {
        const size_t index = static_cast<size_t>(m_pane.topLine() + row);
        if (index >= lines.size()) break;
        const std::string& line = lines[index];
        TextOutA(dc, 0, row * geometry().cyLine, line.data(), static_cast<int>(line.size()));
    }
}

bool COPCSvrEventView::scroll(ScrollAction action, int thumbPosition)
{
    return m_pane.scroll(action, thumbPosition, geometry().visibleLines());
}

} // namespace moxlan::win32
