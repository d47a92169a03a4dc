#include "value_text.h"

#include "hresult_names.h"
#include "platform/bstr.h"
#include "wide_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
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

// Shortest decimal form of a float, so 0.1f shows as 0.1 and not as its double expansion.
double shortestDouble(float number)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    double widened = number;
    std::from_chars(digits, result.ptr, widened);
    return widened;
}

bool convert(const VARIANT& from, VARTYPE type, vetrel::Variant& to)
{
    return SUCCEEDED(VariantChangeType(to.out(), const_cast<VARIANT*>(&from), 0, type));
}

// Where a VARIANT keeps a value of an array's element type.
void* elementStorage(VARIANT& value, VARTYPE element)
{
    if (element == VT_VARIANT) return &value;
    if (element == VT_DECIMAL) return &value.decVal;
    return &value.llVal;
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

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

HRESULT parseScalar(std::string_view text, VARTYPE type, vetrel::Variant& value)
{
    if (type == VT_BOOL && (equalsNoCase(text, "true") || equalsNoCase(text, "false"))) {
        VARIANT* slot = value.out();
        slot->vt = VT_BOOL;
        slot->boolVal = equalsNoCase(text, "true") ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    vetrel::Variant textValue;
    VARIANT* slot = textValue.out();
    slot->vt = VT_BSTR;
    slot->bstrVal = vetrel::Bstr(widen(text)).detach();
    if (type == VT_EMPTY || type == VT_BSTR) {
        value = std::move(textValue);
        return S_OK;
    }
    return VariantChangeType(value.out(), slot, 0, type);
}

HRESULT parseArray(std::string_view text, VARTYPE element, vetrel::Variant& value)
{
    text = trimmed(text);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') return DISP_E_TYPEMISMATCH;
    text = trimmed(text.substr(1, text.size() - 2));
    std::vector<vetrel::Variant> elements;
    while (!text.empty()) {
        const size_t comma = std::min(text.find(','), text.size());
        vetrel::Variant item;
        if (const HRESULT hr = parseScalar(trimmed(text.substr(0, comma)), element, item);
            FAILED(hr))
            return hr;
        elements.push_back(std::move(item));
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    SAFEARRAY* array = SafeArrayCreateVector(element, 0, static_cast<ULONG>(elements.size()));
    if (!array) return E_OUTOFMEMORY;
    VARIANT* slot = value.out();
    slot->vt = VT_ARRAY | element;
    slot->parray = array;
    for (LONG index = 0; index < static_cast<LONG>(elements.size()); ++index) {
        VARIANT item = elements[static_cast<size_t>(index)].get();
        // A string element is handed over as the string itself, every other as its storage.
        void* source = element == VT_BSTR ? item.bstrVal : elementStorage(item, element);
        if (const HRESULT hr = SafeArrayPutElement(array, &index, source); FAILED(hr)) return hr;
    }
    return S_OK;
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

std::string timeText(const FILETIME& time)
{
    using namespace std::chrono;
    using Ticks = duration<long long, std::ratio<1, 10'000'000>>;
    // 100-nanosecond ticks from 1601 to 1970.
    constexpr long long kUnixEpoch = 116'444'736'000'000'000LL;
    const long long ticks = static_cast<long long>(
        (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    if (ticks == 0) return {};
    const sys_time<Ticks> moment{Ticks(ticks - kUnixEpoch)};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss clock{floor<milliseconds>(moment - day)};
    char text[40];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
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
        return valueJson(value).dump();
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

HRESULT parseValue(std::string_view text, VARTYPE type, vetrel::Variant& value)
{
    if (type & VT_ARRAY) return parseArray(text, type & VT_TYPEMASK, value);
    return parseScalar(text, type, value);
}

} // namespace opcprobe
