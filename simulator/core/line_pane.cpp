#include "simulator/core/line_pane.h"

#include <algorithm>

namespace moxlan {

std::optional<int> scrolledTopLine(int topLine, ScrollAction action, int thumbPosition,
                                   int visibleLines, int count)
{
    if (count <= 0) return std::nullopt;
    switch (action) {
    case ScrollAction::LineUp:
        --topLine;
        break;
    case ScrollAction::LineDown:
        ++topLine;
        break;
    case ScrollAction::PageUp:
        topLine -= visibleLines;
        break;
    case ScrollAction::PageDown:
        topLine += visibleLines;
        break;
    case ScrollAction::ThumbPosition:
        topLine = thumbPosition;
        break;
    case ScrollAction::ThumbTrack:
    case ScrollAction::Other:
        break;
    }
    return std::clamp(topLine, 0, count - 1);
}

int lineAt(int topLine, int y, int cyLine, int count)
{
    if (cyLine <= 0 || y < 0) return -1;
    const int index = topLine + y / cyLine;
    return index >= 0 && index < count ? index : -1;
}

} // namespace moxlan
