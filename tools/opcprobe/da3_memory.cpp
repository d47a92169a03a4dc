#include "da3_memory.h"

#include "platform/task_mem.h"
#include "platform/variant.h"

namespace opcprobe {

void freeText(LPWSTR text) noexcept
{
    vetrel::TaskMem<WCHAR>::adopt(text, 1).reset();
}

void freeItemProperties(OPCITEMPROPERTIES& properties) noexcept
{
    auto entries = vetrel::TaskMem<OPCITEMPROPERTY>::adopt(properties.pItemProperties,
                                                           properties.dwNumProperties);
    for (size_t i = 0; i < entries.size(); ++i) {
        freeText(entries[i].szItemID);
        freeText(entries[i].szDescription);
        const vetrel::Variant value = vetrel::Variant::attach(entries[i].vValue);
    }
    properties = {};
}

void freeBrowseElements(OPCBROWSEELEMENT* elements, DWORD count) noexcept
{
    auto owned = vetrel::TaskMem<OPCBROWSEELEMENT>::adopt(elements, count);
    for (size_t i = 0; i < owned.size(); ++i) {
        freeText(owned[i].szName);
        freeText(owned[i].szItemID);
        freeItemProperties(owned[i].ItemProperties);
    }
}

} // namespace opcprobe
