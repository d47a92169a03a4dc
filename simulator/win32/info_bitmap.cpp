#include "simulator/win32/info_bitmap.h"

#include <cmath>
#include <numbers>

namespace moxlan::win32 {

namespace {

// A trend display: a dark panel with a grid, a sine trace and a ramp, and the letters OPC.
void drawPicture(HDC dc)
{
    const RECT panel{0, 0, kInfoBitmapWidth, kInfoBitmapHeight};
    HBRUSH background = CreateSolidBrush(RGB(16, 40, 72));
    FillRect(dc, &panel, background);
    DeleteObject(background);

    HPEN grid = CreatePen(PS_SOLID, 1, RGB(40, 72, 112));
    HGDIOBJ previousPen = SelectObject(dc, grid);
    for (int x = 0; x < kInfoBitmapWidth; x += 15) {
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, kInfoBitmapHeight);
    }
    for (int y = 0; y < kInfoBitmapHeight; y += 10) {
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, kInfoBitmapWidth, y);
    }

    HPEN sine = CreatePen(PS_SOLID, 2, RGB(96, 224, 128));
    SelectObject(dc, sine);
    for (int x = 0; x < kInfoBitmapWidth; ++x) {
        const double phase = 2.0 * std::numbers::pi * x / 60.0;
        const int y = 25 - static_cast<int>(std::lround(14.0 * std::sin(phase)));
        if (x == 0)
            MoveToEx(dc, x, y, nullptr);
        else
            LineTo(dc, x, y);
    }

    HPEN ramp = CreatePen(PS_SOLID, 1, RGB(240, 192, 64));
    SelectObject(dc, ramp);
    for (int start = 0; start < kInfoBitmapWidth; start += 40) {
        MoveToEx(dc, start, 46, nullptr);
        LineTo(dc, start + 39, 30);
    }
    SelectObject(dc, previousPen);
    DeleteObject(grid);
    DeleteObject(sine);
    DeleteObject(ramp);

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ previousFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    TextOutA(dc, 4, 2, "OPC", 3);
    SelectObject(dc, previousFont);
}

HBITMAP makePicture()
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kInfoBitmapWidth, kInfoBitmapHeight);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    drawPicture(dc);
    SelectObject(dc, previous);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

} // namespace

HBITMAP infoBitmap()
{
    static const HBITMAP picture = makePicture();
    return picture;
}

} // namespace moxlan::win32
