// What both line-drawn panes of the simulator share: one text line every cyLine pixels from a
// top line, scrolled by lines and pages over the pane's own line count.
#pragma once

#include <optional>

namespace moxlan {

struct PaneGeometry
{
    int cxClient = 0;
    int cyClient = 0;
    // The font's widest character and its height, the height of one line.
    int cxChar = 0;
    int cyLine = 0;

    // Whole lines that fit; a line cut by the bottom edge is not drawn.
    int visibleLines() const noexcept { return cyLine > 0 ? cyClient / cyLine : 0; }
};

enum class ScrollAction
{
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    ThumbPosition,
    ThumbTrack,
    Other,
};

// The top line after a scroll request over count lines, clamped to 0 ... count - 1. A pane
// without lines ignores scrolling: nothing then. Thumb tracking moves nothing until the thumb
// is released.
std::optional<int> scrolledTopLine(int topLine, ScrollAction action, int thumbPosition,
                                   int visibleLines, int count);

// The list index shown at pixel row y, or -1 when no line is there.
int lineAt(int topLine, int y, int cyLine, int count);

} // namespace moxlan
