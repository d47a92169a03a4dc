// The program's 120 x 50 picture for the information dialogs, drawn once in code.
#pragma once

#include <windows.h>

namespace moxlan::win32 {

constexpr int kInfoBitmapWidth = 120;
constexpr int kInfoBitmapHeight = 50;

// Made at the first call and kept for the life of the process.
HBITMAP infoBitmap();

} // namespace moxlan::win32
