#include "hresult_names.h"
#include "properties.h"
#include "report.h"
#include "value_text.h"

namespace opcprobe {

std::string propertiesText(const std::vector<PropertyValue>& properties)
{
    std::string text;
    for (const PropertyValue& property : properties) {
        text += std::to_string(property.id) + " " + property.description + " (" +
                typeName(property.type) + "): ";
        if (FAILED(property.error)) {
            text += describeResult(property.error) + "\n";
            continue;
        }
        text += valueText(property.value.get());
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
            entry["value"] = valueJson(property.value.get());
            entry["valueType"] = typeName(property.value.type());
        }
        list.push_back(std::move(entry));
    }
    return {{"item", item}, {"properties", std::move(list)}};
}

} // namespace opcprobe
