#include "hresult_names.h"
#include "properties.h"
#include "report.h"
#include "value_text.h"

#include <optional>

namespace opcprobe {
namespace {

// The two properties that repeat what read shows of an item, in read's own forms: the type by
// name, and the time in UTC where the server gives a DATE of its local time.
std::optional<std::string> inReadsForm(const PropertyValue& property)
{
    const VARIANT& value = property.value.get();
    if (property.id == OPC_PROPERTY_DATATYPE && value.vt == VT_I2)
        return typeName(static_cast<VARTYPE>(value.iVal));
    if (property.id == OPC_PROPERTY_TIMESTAMP && value.vt == VT_DATE)
        return localDateText(value.date);
    return std::nullopt;
}

} // namespace

std::string propertiesText(const std::vector<PropertyValue>& properties)
{
    std::string text;
    for (const PropertyValue& property : properties) {
        text += std::to_string(property.id) + " " + property.description + " (" +
                typeName(property.type) + "): ";
        if (FAILED(property.error)) {
            text += explainResult(property.error) + "\n";
            continue;
        }
        text += inReadsForm(property).value_or(valueText(property.value.get()));
        if (property.value.type() != property.type)
            text += " (" + typeName(property.value.type()) + ")";
        text += "\n";
    }
    return text;
}

nlohmann::json propertiesJson(const std::string& item, const std::vector<PropertyValue>& properties)
{
    nlohmann::json list = nlohmann::json::array();
    for (const PropertyValue& property : properties) {
        nlohmann::json entry = {{"id", property.id},
                                {"description", property.description},
                                {"type", typeName(property.type)}};
        if (FAILED(property.error)) {
            entry["error"] = errorJson(property.error);
        } else {
            const auto shown = inReadsForm(property);
            entry["value"] = shown ? nlohmann::json(*shown) : valueJson(property.value.get());
            entry["valueType"] = typeName(property.value.type());
        }
        list.push_back(std::move(entry));
    }
    return {{"item", item}, {"properties", std::move(list)}};
}

} // namespace opcprobe
