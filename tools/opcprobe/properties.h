// `opcprobe properties ITEM`: every property the server offers for one item, with its value.
#pragma once

#include "platform/variant.h"
#include "vetrel/opc.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace opcprobe {

struct PropertyValue
{
    DWORD id = 0;
    std::string description;
    // The type the server announces; the value may come in another.
    VARTYPE type = VT_EMPTY;
    HRESULT error = S_OK;
    vetrel::Variant value;
};

// Throws ProbeFailure when the server offers no properties or refuses the item.
std::vector<PropertyValue> itemProperties(IOPCServer* server, const std::string& item);
// The same through IOPCBrowse::GetProperties.
std::vector<PropertyValue> itemPropertiesDa3(IOPCServer* server, const std::string& item);

// "2 Item Value (VT_R4): 7 (VT_I4)": the value's own type follows when it is not the announced
// one; a property that failed shows its error instead of the value. Values print as read prints
// them: "1 Item Canonical Data Type (VT_I2): VT_R8", times in UTC.
std::string propertiesText(const std::vector<PropertyValue>& properties);
// {"item", "properties": [{"id", "description", "type", "value", "valueType"} or
// {"id", "description", "type", "error"}]}.
nlohmann::json propertiesJson(const std::string& item,
                              const std::vector<PropertyValue>& properties);

} // namespace opcprobe
