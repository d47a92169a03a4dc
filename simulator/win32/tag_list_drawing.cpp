#include "simulator/win32/tag_list_drawing.h"

namespace moxlan::win32 {

TagListPicture layoutTagListOn(HDC dc, const PaneGeometry& geometry, int topLine, int selected,
                               const CMoxlanDoc& doc)
{
    return layoutTagList(
        geometry, topLine, selected, doc.GetDeviceCount(),
        [&doc](int index) -> const CDeviceTag* { return doc.GetDevice(index); },
        [dc](std::string_view text) {
            SIZE size{};
            GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
            return static_cast<int>(size.cx);
        });
}

void drawTagRow(HDC dc, const TagListPicture& picture, const TagListRow& row)
{
    const auto draw = [dc, &row](int x, const std::string& text) {
        TextOutA(dc, x, row.y, text.data(), static_cast<int>(text.size()));
    };
    draw(0, row.name);
    draw(picture.valueX, row.value);
    draw(picture.stateX, row.state);
}

} // namespace moxlan::win32
