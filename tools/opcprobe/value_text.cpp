#include "value_text.h"

#include "hresult_names.h"
#include "wide_text.h"

#include <charconv>
#include <string>
#include <vector>

namespace opcprobe {
namespace {

struct NamedCode
{
    unsigned code;
    const char* name;
};

constexpr NamedCode kTypeNames[] = {
    {VT_EMPTY, "VT_EMPTY"},     {VT_NULL, "VT_NULL"}, {VT_I2, "VT_I2"},
    {VT_I4, "VT_I4"},           {VT_R4, "VT_R4"},     {VT_R8, "VT_R8"},
    {VT_CY, "VT_CY"},           {VT_DATE, "VT_DATE"}, {VT_BSTR, "VT_BSTR"},
    {VT_ERROR, "VT_ERROR"},     {VT_BOOL, "VT_BOOL"}, {VT_VARIANT, "VT_VARIANT"},
    {VT_DECIMAL, "VT_DECIMAL"}, {VT_I1, "VT_I1"},     {VT_UI1, "VT_UI1"},
    {VT_UI2, "VT_UI2"},         {VT_UI4, "VT_UI4"},   {VT_I8, "VT_I8"},
    {VT_UI8, "VT_UI8"},         {VT_INT, "VT_INT"},   {VT_UINT, "VT_UINT"},
};

// Quality substatus (the six high bits), then the two limit bits.
constexpr NamedCode kStatusNames[] = {
    {0x04, "configuration error"}, {0x08, "not connected"},
    {0x0C, "device failure"},      {0x10, "sensor failure"},
    {0x14, "last known value"},    {0x18, "communication failure"},
    {0x1C, "out of service"},      {0x20, "waiting for initial data"},
    {0x44, "last usable value"},   {0x50, "sensor not accurate"},
    {0x54, "units exceeded"},      {0x58, "sub-normal"},
    {0xD8, "local override"},
};
constexpr const char* kLimitNames[] = {"", "low limited", "high limited", "constant"};

const char* nameOf(unsigned code, const auto& table)
{
    for (const NamedCode& named : table)
        if (named.code == code) return named.name;
    return nullptr;
}

// The shortest digits that read back as the same number: 0.1f is 0.1, not its double's expansion.
template <typename T> std::string shortestText(T number)
{
    char digits[32];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

// A float as the double its shortest digits read as, which JSON then prints with those digits.
double shortestDouble(float number)
{
    const std::string digits = shortestText(number);
    double widened = number;
    std::from_chars(digits.data(), digits.data() + digits.size(), widened);
    return widened;
}

bool convert(const VARIANT& from, VARTYPE type, vetrel::Variant& to)
{
    return SUCCEEDED(vetrel::changeType(to, from, type, kPlainNumbers, kPlainNumberFlags));
}

// The elements of a one-dimensional array, each as a VARIANT of its own.
std::vector<vetrel::Variant> elementsOf(const VARIANT& array)
{
    std::vector<vetrel::Variant> elements;
    SAFEARRAY* data = array.parray;
    LONG lower = 0, upper = -1;
    if (!data || SafeArrayGetDim(data) != 1 || FAILED(SafeArrayGetLBound(data, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(data, 1, &upper)))
        return elements;
    const VARTYPE element = array.vt & VT_TYPEMASK;
    for (LONG index = lower; index <= upper; ++index) {
        vetrel::Variant item;
        VARIANT* slot = item.out();
        if (FAILED(SafeArrayGetElement(data, &index, elementStorage(*slot, element)))) continue;
        if (element != VT_VARIANT) slot->vt = element;
        elements.push_back(std::move(item));
    }
    return elements;
}

} // namespace

std::string typeName(VARTYPE type)
{
    std::string name;
    if (type & VT_ARRAY) name += "VT_ARRAY | ";
    if (type & VT_BYREF) name += "VT_BYREF | ";
    const unsigned base = type & VT_TYPEMASK;
    if (const char* known = nameOf(base, kTypeNames)) return name + known;
    return name + std::to_string(base);
}

std::string qualityText(WORD quality)
{
    std::string text;
    switch (quality & OPC_QUALITY_MASK) {
    case OPC_QUALITY_GOOD:
        text = "good";
        break;
    case OPC_QUALITY_UNCERTAIN:
        text = "uncertain";
        break;
    case OPC_QUALITY_BAD:
        text = "bad";
        break;
    default:
        text = "invalid";
        break;
    }
    const unsigned status = quality & OPC_STATUS_MASK;
    if (status != (quality & OPC_QUALITY_MASK)) {
        const char* known = nameOf(status, kStatusNames);
        text += ": ";
        text += known ? known : "substatus " + std::to_string((status >> 2) & 0x0F);
    }
    if (const unsigned limit = quality & OPC_LIMIT_MASK)
        text += std::string(", ") + kLimitNames[limit];
    return text;
}

std::string valueText(const VARIANT& value)
{
    if (value.vt & VT_ARRAY) {
        std::string text = "[";
        for (const vetrel::Variant& element : elementsOf(value)) {
            if (text.size() > 1) text += ", ";
            text += valueText(element.get());
        }
        return text + "]";
    }
    switch (value.vt) {
    case VT_EMPTY:
        return "";
    case VT_NULL:
        return "null";
    case VT_BOOL:
        return value.boolVal ? "true" : "false";
    case VT_ERROR:
        return describeResult(value.scode);
    case VT_BSTR:
        return narrow(value.bstrVal);
    case VT_R4:
        return shortestText(value.fltVal);
    case VT_R8:
        return shortestText(value.dblVal);
    case VT_DATE:
        return dateText(value.date);
    default:
        break;
    }
    vetrel::Variant text;
    if (!convert(value, VT_BSTR, text)) return "(" + typeName(value.vt) + ")";
    return narrow(text.get().bstrVal);
}

nlohmann::json valueJson(const VARIANT& value)
{
    if (value.vt & VT_ARRAY) {
        nlohmann::json list = nlohmann::json::array();
        for (const vetrel::Variant& element : elementsOf(value))
            list.push_back(valueJson(element.get()));
        return list;
    }
    vetrel::Variant number;
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return nullptr;
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE;
    case VT_R4:
        return shortestDouble(value.fltVal);
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
        if (convert(value, VT_I8, number)) return static_cast<long long>(number.get().llVal);
        break;
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
        if (convert(value, VT_UI8, number))
            return static_cast<unsigned long long>(number.get().ullVal);
        break;
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
        if (convert(value, VT_R8, number)) return number.get().dblVal;
        break;
    default:
        break;
    }
    return valueText(value);
}

void* elementStorage(VARIANT& value, VARTYPE element)
{
    if (element == VT_VARIANT) return &value;
    if (element == VT_DECIMAL) return &value.decVal;
    return &value.llVal;
}

} // namespace opcprobe
