// The tag list's picture: which variables show on which line, their texts, the colours of the
// selected line and where the value column starts.
#pragma once

#include "simulator/core/device_tag.h"
#include "simulator/core/line_pane.h"

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace moxlan {

// The local time of a variable's last step as the list shows it: "%H:%M:%S" and three blanks.
std::string tagTimeText(std::time_t timeStamp);
// "%5.3f": 3.14159 shows as 3.142, 0 as 0.000.
std::string tagValueText(float value);

struct TagListRow
{
    int index = 0;
    int y = 0;
    // The time of the last step followed by the name.
    std::string name;
    std::string value;
    // The simulation type, and the injected faults after it ("sine BAD FROZEN").
    std::string state;
    // Drawn white on a black bar across the pane.
    bool selected = false;
};

struct TagListPicture
{
    std::vector<TagListRow> rows;
    // Two widest characters right of the widest name text among the rows drawn, so it moves
    // when a longer name scrolls into view.
    int valueX = 0;
    // Two widest characters right of the widest value text among the rows drawn.
    int stateX = 0;
};

// The type's name, or its number for one the simulator does not know, then the fault marker.
std::string tagStateText(const CDeviceTag& device);

using DeviceAt = std::function<const CDeviceTag*(int index)>;
// The pixel width of a text in the pane's font.
using TextWidth = std::function<int(std::string_view text)>;

TagListPicture layoutTagList(const PaneGeometry& geometry, int topLine, int selected, int count,
                             const DeviceAt& deviceAt, const TextWidth& textWidth);

} // namespace moxlan
