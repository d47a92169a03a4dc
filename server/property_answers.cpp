#include "server/property_answers.h"

#include "comkit/client_text.h"
#include "comkit/com_boundary.h"
#include "platform/variant.h"
#include "server/property_table.h"

#include <algorithm>

namespace vetrel {
namespace {

void freeText(LPWSTR& text) noexcept
{
    TaskMem<WCHAR>::adopt(std::exchange(text, nullptr), 1).reset();
}

// One entry of the table, or of an id outside it; false when it carries an error.
bool describe(const OPCTag& tag, DWORD id, bool withValue, OPCITEMPROPERTY& entry)
{
    entry.dwPropertyID = id;
    const auto known = std::ranges::find(kItemProperties, id, &ItemProperty::id);
    if (known == kItemProperties.end()) {
        entry.hrErrorID = OPC_E_INVALID_PID;
        return false;
    }
    entry.vtDataType = known->type;
    entry.szDescription = toClientText(known->description);
    if (!entry.szDescription) throw std::bad_alloc();
    // Our properties are not items of their own, so szItemID stays null.
    if (!withValue) return true;
    // A value that does not fit in memory fails its own entry, not the others.
    Variant value;
    entry.hrErrorID = comBoundary([&] { return propertyValue(tag, id, value); });
    if (FAILED(entry.hrErrorID)) return false;
    entry.vValue = value.detach();
    return true;
}

} // namespace

void describeProperties(const OPCTag& tag, const PropertyRequest& request,
                        OPCITEMPROPERTIES& properties)
{
    const size_t count = request.ids.empty() ? kItemProperties.size() : request.ids.size();
    EntryArray<OPCITEMPROPERTY> entries(count);
    HRESULT result = S_OK;
    for (size_t i = 0; i < count; ++i) {
        const DWORD id = request.ids.empty() ? kItemProperties[i].id : request.ids[i];
        if (!describe(tag, id, request.withValues, entries[i])) result = S_FALSE;
    }
    properties.hrErrorID = result;
    properties.dwNumProperties = static_cast<DWORD>(count);
    properties.pItemProperties = entries.release();
}

void clearEntry(OPCITEMPROPERTY& entry) noexcept
{
    freeText(entry.szItemID);
    freeText(entry.szDescription);
    Variant::attach(entry.vValue);
    entry = {};
}

void clearEntry(OPCITEMPROPERTIES& entry) noexcept
{
    auto owned = TaskMem<OPCITEMPROPERTY>::adopt(entry.pItemProperties, entry.dwNumProperties);
    for (size_t i = 0; i < owned.size(); ++i) clearEntry(owned[i]);
    entry = {};
}

void clearEntry(OPCBROWSEELEMENT& entry) noexcept
{
    freeText(entry.szName);
    freeText(entry.szItemID);
    clearEntry(entry.ItemProperties);
    entry = {};
}

} // namespace vetrel
