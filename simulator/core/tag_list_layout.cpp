#include "simulator/core/tag_list_layout.h"

#include "vetrel/com.h"

#include <algorithm>
#include <cstdio>

namespace moxlan {

namespace {

// Seconds between 1601 (the file-time epoch) and 1970.
constexpr std::int64_t kFileTimeEpochOffset = 11644473600;
constexpr std::int64_t kFileTimeTicksPerSecond = 10000000;

SYSTEMTIME localTimeOf(std::time_t timeStamp)
{
    const auto ticks = static_cast<std::uint64_t>(
        (static_cast<std::int64_t>(timeStamp) + kFileTimeEpochOffset) * kFileTimeTicksPerSecond);
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time))
        return SYSTEMTIME{};
    return time;
}

} // namespace

std::string tagTimeText(std::time_t timeStamp)
{
    const SYSTEMTIME time = localTimeOf(timeStamp);
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u   ", static_cast<unsigned>(time.wHour),
                  static_cast<unsigned>(time.wMinute), static_cast<unsigned>(time.wSecond));
    return text;
}

std::string tagValueText(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%5.3f", static_cast<double>(value));
    return text;
}

std::string tagStateText(const CDeviceTag& device)
{
    const std::optional<std::string_view> type = simulationTypeName(device.m_SimType);
    std::string text = type ? std::string(*type) : "type " + std::to_string(device.m_SimType);
    const std::string marker = faultMarker(device.m_Fault);
    if (!marker.empty()) text += " " + marker;
    return text;
}

TagListPicture layoutTagList(const PaneGeometry& geometry, int topLine, int selected, int count,
                             const DeviceAt& deviceAt, const TextWidth& textWidth)
{
    TagListPicture picture;
    int widestName = 0;
    int widestValue = 0;
    const int visible = geometry.visibleLines();
    for (int row = 0; row < visible; ++row) {
        const int index = topLine + row;
        if (index < 0 || index >= count) continue;
        const CDeviceTag* device = deviceAt(index);
        if (!device) continue;
        TagListRow line;
        line.index = index;
        line.y = row * geometry.cyLine;
        line.name = tagTimeText(device->m_TimeStamp) + device->m_Name;
        line.value = tagValueText(device->value());
        line.state = tagStateText(*device);
        line.selected = index == selected;
        widestName = std::max(widestName, textWidth(line.name));
        widestValue = std::max(widestValue, textWidth(line.value));
        picture.rows.push_back(std::move(line));
    }
    picture.valueX = widestName + 2 * geometry.cxChar;
    picture.stateX = picture.valueX + widestValue + 2 * geometry.cxChar;
    return picture;
}

} // namespace moxlan
