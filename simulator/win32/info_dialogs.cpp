#include "simulator/win32/info_dialogs.h"

#include "simulator/win32/info_bitmap.h"
#include "simulator/win32/resource.h"

namespace moxlan::win32 {

namespace {

// The picture goes where the hidden placeholder sits, measured from the dialog window's own
// top-left corner.
void paintPicture(HWND dialog)
{
    RECT dialogRect{}, placeRect{};
    GetWindowRect(dialog, &dialogRect);
    GetWindowRect(GetDlgItem(dialog, IDC_BITMAP_PLACE), &placeRect);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, infoBitmap());
    BitBlt(dc, placeRect.left - dialogRect.left, placeRect.top - dialogRect.top, kInfoBitmapWidth,
           kInfoBitmapHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    EndPaint(dialog, &paint);
}

INT_PTR CALLBACK infoProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_PAINT:
        paintPicture(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void showInfoDialog(HWND owner, int resource)
{
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), owner, infoProcedure, 0);
}

} // namespace

void showAboutDialog(HWND owner)
{
    showInfoDialog(owner, IDD_ABOUTBOX);
}

void showVersionDialog(HWND owner)
{
    showInfoDialog(owner, IDD_VERSION);
}

} // namespace moxlan::win32
