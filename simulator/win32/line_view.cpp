#include "simulator/win32/line_view.h"

namespace moxlan::win32 {

namespace {

ScrollAction scrollActionOf(WORD request)
{
    switch (request) {
    case SB_LINEUP:
        return ScrollAction::LineUp;
    case SB_LINEDOWN:
        return ScrollAction::LineDown;
    case SB_PAGEUP:
        return ScrollAction::PageUp;
    case SB_PAGEDOWN:
        return ScrollAction::PageDown;
    case SB_THUMBPOSITION:
        return ScrollAction::ThumbPosition;
    case SB_THUMBTRACK:
        return ScrollAction::ThumbTrack;
    default:
        return ScrollAction::Other;
    }
}

} // namespace

CLineView::CLineView(const char* className, int scrollRange)
    : m_className(className), m_scrollRange(scrollRange),
      m_font(static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT)))
{}

void CLineView::create(HWND parent, int id)
{
    registerClass(m_className, CS_DBLCLKS, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Window::create(m_className, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, parent,
                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), 0, 0, 0, 0);
}

void CLineView::measureFont()
{
    HDC dc = GetDC(hwnd());
    HGDIOBJ previous = SelectObject(dc, m_font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(hwnd(), dc);
    m_geometry.cxChar = metrics.tmMaxCharWidth;
    m_geometry.cyLine = metrics.tmHeight;
}

LRESULT CLineView::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        m_geometry.cxClient = creation->cx;
        m_geometry.cyClient = creation->cy;
        measureFont();
        SetScrollRange(hwnd(), SB_VERT, 0, m_scrollRange, FALSE);
        created();
        return 0;
    }
    case WM_SIZE:
        m_geometry.cxClient = LOWORD(lParam);
        m_geometry.cyClient = HIWORD(lParam);
        return 0;
    case WM_VSCROLL:
        if (scroll(scrollActionOf(LOWORD(wParam)), HIWORD(wParam))) {
            showTopLine();
            repaint();
        }
        return 0;
    case WM_MOUSEWHEEL: {
        const auto action =
            GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? ScrollAction::LineUp : ScrollAction::LineDown;
        if (scroll(action, 0)) {
            showTopLine();
            repaint();
        }
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd(), &paint);
        HGDIOBJ previous = SelectObject(dc, m_font);
        draw(dc);
        SelectObject(dc, previous);
        EndPaint(hwnd(), &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        SetFocus(hwnd());
        break;
    }
    return Window::handle(message, wParam, lParam);
}

} // namespace moxlan::win32
