// Printing of the tag list (Ctrl+P): every variable, one line each, page after page.
#pragma once

#include "simulator/core/moxlan_doc.h"

#include <windows.h>

namespace moxlan::win32 {

// Asks for a printer and prints; nothing happens when the user cancels or no printer is there.
void printTagList(HWND owner, const CMoxlanDoc& doc);

} // namespace moxlan::win32
