// The tag list laid out in the font of a device context, for the screen and the printer alike.
#pragma once

#include "simulator/core/moxlan_doc.h"
#include "simulator/core/tag_list_layout.h"

#include <windows.h>

namespace moxlan::win32 {

TagListPicture layoutTagListOn(HDC dc, const PaneGeometry& geometry, int topLine, int selected,
                               const CMoxlanDoc& doc);

// The row's name, value and state texts at their columns, in the colours already selected.
void drawTagRow(HDC dc, const TagListPicture& picture, const TagListRow& row);

} // namespace moxlan::win32
