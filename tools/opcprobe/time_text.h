// Times as ISO 8601 text: FILETIMEs in UTC, OLE Automation dates as they stand, and dates read
// back from the text they print as.
#pragma once

#include "vetrel/com.h"

#include <optional>
#include <string>
#include <string_view>

namespace opcprobe {

// "2026-12-07T13:01:02.250Z"; a zero time is empty.
std::string timeText(const FILETIME& time);
// "2026-12-07T13:01:02.250", without a zone: a DATE carries none.
std::string dateText(DATE date);
// A DATE in the local time of the machine, such as the item timestamp property, in UTC as
// timeText shows it.
std::string localDateText(DATE date);
// "2026-12-07", "2026-12-07T13:01", "2026-12-07T13:01:02.250", also with a blank for the T.
std::optional<DATE> parseDate(std::string_view text);

} // namespace opcprobe
