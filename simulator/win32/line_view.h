// CLineView: what both panes share as windows: a child window with its own vertical scroll bar,
// the font and its measures, the client size, and scroll-bar requests turned into top lines.
#pragma once

#include "simulator/core/line_pane.h"
#include "simulator/win32/window.h"

namespace moxlan::win32 {

class CLineView : public Window
{
public:
    // scrollRange: the upper end of the scroll bar's range.
    CLineView(const char* className, int scrollRange);

    void create(HWND parent, int id);
    void repaint() { InvalidateRect(hwnd(), nullptr, TRUE); }

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Draws the visible lines; the pane's font is selected.
    virtual void draw(HDC dc) = 0;
    // Applies a scroll request; false when the pane ignores it.
    virtual bool scroll(ScrollAction action, int thumbPosition) = 0;
    virtual int topLine() const = 0;
    virtual void created() {}

    // Moves the scroll box to the top line.
    void showTopLine() { SetScrollPos(hwnd(), SB_VERT, topLine(), TRUE); }
    const PaneGeometry& geometry() const noexcept { return m_geometry; }
    HFONT font() const noexcept { return m_font; }

private:
    void measureFont();

    const char* m_className;
    int m_scrollRange;
    PaneGeometry m_geometry;
    HFONT m_font;
};

} // namespace moxlan::win32
