#include "value_parse.h"

#include "hresult_names.h"
#include "platform/bstr.h"
#include "time_text.h"
#include "value_text.h"
#include "wide_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <type_traits>
#include <vector>

namespace opcprobe {
namespace {

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
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

template <typename T> ValueRefusal outOfRange(std::string_view text)
{
    std::string reason = quoted(text) + " is out of range";
    if constexpr (std::is_integral_v<T>)
        reason += ", " + std::to_string(std::numeric_limits<T>::min()) + " to " +
                  std::to_string(std::numeric_limits<T>::max());
    return {DISP_E_OVERFLOW, reason};
}

// A number in the C locale: digits, at most one sign, a point and an exponent for reals.
template <typename T> std::optional<ValueRefusal> readNumber(std::string_view text, T& number)
{
    std::string_view digits = text;
    if (digits.starts_with('+') && !digits.starts_with("+-")) digits.remove_prefix(1);
    if constexpr (std::is_unsigned_v<T>)
        if (digits.size() > 1 && digits[0] == '-' &&
            std::isdigit(static_cast<unsigned char>(digits[1])))
            return outOfRange<T>(text);
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (error == std::errc::result_out_of_range) return outOfRange<T>(text);
    if (digits.empty() || error != std::errc() || stop != end)
        return ValueRefusal{
            DISP_E_TYPEMISMATCH,
            quoted(text) + (std::is_integral_v<T> ? " is not a whole number" : " is not a number")};
    return std::nullopt;
}

// "-12.5": what CY and DECIMAL take, without exponent or grouping.
bool isPlainDecimal(std::string_view text)
{
    if (text.starts_with('-') || text.starts_with('+')) text.remove_prefix(1);
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view part = point == std::string_view::npos ? "" : text.substr(point + 1);
    const auto digitsOnly = [](std::string_view digits) {
        return std::all_of(digits.begin(), digits.end(),
                           [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    };
    return !(whole.empty() && part.empty()) && digitsOnly(whole) && digitsOnly(part);
}

vetrel::Variant textVariant(std::string_view text)
{
    vetrel::Variant value;
    VARIANT* slot = value.out();
    slot->vt = VT_BSTR;
    slot->bstrVal = vetrel::Bstr(widen(text)).detach();
    return value;
}

std::optional<ValueRefusal> parseDecimal(std::string_view text, VARTYPE type,
                                         vetrel::Variant& value)
{
    if (!isPlainDecimal(text))
        return ValueRefusal{DISP_E_TYPEMISMATCH, quoted(text) + " is not a number"};
    const vetrel::Variant plain = textVariant(text);
    const HRESULT hr =
        vetrel::changeType(value, plain.get(), type, kPlainNumbers, kPlainNumberFlags);
    if (hr == DISP_E_OVERFLOW) return ValueRefusal{hr, quoted(text) + " is out of range"};
    if (FAILED(hr)) return ValueRefusal{hr, quoted(text) + " is not a number"};
    return std::nullopt;
}

std::optional<ValueRefusal> parseBool(std::string_view text, VARIANT& slot)
{
    const bool on = equalsNoCase(text, "true") || text == "1";
    if (!on && !equalsNoCase(text, "false") && text != "0")
        return ValueRefusal{DISP_E_TYPEMISMATCH, quoted(text) + " is not true, false, 1 or 0"};
    slot.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    return std::nullopt;
}

std::optional<ValueRefusal> parseDateValue(std::string_view text, VARIANT& slot)
{
    const auto date = parseDate(text);
    if (!date)
        return ValueRefusal{DISP_E_TYPEMISMATCH,
                            quoted(text) + " is not a date such as 2026-12-07T13:01:02.250"};
    slot.date = *date;
    return std::nullopt;
}

// As valueText prints an error, "E_FAIL 0x80004005", or its name or number alone.
std::optional<ValueRefusal> parseError(std::string_view text, VARIANT& slot)
{
    const std::string_view code = text.substr(std::min(text.rfind(' ') + 1, text.size()));
    if (const auto named = resultNamed(code)) {
        slot.scode = *named;
        return std::nullopt;
    }
    DWORD number = 0;
    const bool hex = code.starts_with("0x") || code.starts_with("0X");
    const std::string_view digits = hex ? code.substr(2) : code;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), number, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return ValueRefusal{DISP_E_TYPEMISMATCH,
                            quoted(text) + " is not a result code such as E_FAIL or 0x80004005"};
    slot.scode = static_cast<SCODE>(number);
    return std::nullopt;
}

std::optional<ValueRefusal> parseScalar(std::string_view text, VARTYPE type, vetrel::Variant& value)
{
    if (type == VT_EMPTY || type == VT_BSTR) {
        value = textVariant(text);
        return std::nullopt;
    }
    if (type == VT_CY || type == VT_DECIMAL) return parseDecimal(text, type, value);
    vetrel::Variant parsed;
    VARIANT& slot = *parsed.out();
    std::optional<ValueRefusal> refused;
    switch (type) {
    case VT_I1:
        refused = readNumber(text, slot.cVal);
        break;
    case VT_UI1:
        refused = readNumber(text, slot.bVal);
        break;
    case VT_I2:
        refused = readNumber(text, slot.iVal);
        break;
    case VT_UI2:
        refused = readNumber(text, slot.uiVal);
        break;
    case VT_I4:
        refused = readNumber(text, slot.lVal);
        break;
    case VT_UI4:
        refused = readNumber(text, slot.ulVal);
        break;
    case VT_INT:
        refused = readNumber(text, slot.intVal);
        break;
    case VT_UINT:
        refused = readNumber(text, slot.uintVal);
        break;
    case VT_I8:
        refused = readNumber(text, slot.llVal);
        break;
    case VT_UI8:
        refused = readNumber(text, slot.ullVal);
        break;
    case VT_R4:
        refused = readNumber(text, slot.fltVal);
        break;
    case VT_R8:
        refused = readNumber(text, slot.dblVal);
        break;
    case VT_BOOL:
        refused = parseBool(text, slot);
        break;
    case VT_DATE:
        refused = parseDateValue(text, slot);
        break;
    case VT_ERROR:
        refused = parseError(text, slot);
        break;
    default:
        return ValueRefusal{DISP_E_BADVARTYPE, "the probe writes no values of this type"};
    }
    if (refused) return refused;
    slot.vt = type;
    value = std::move(parsed);
    return std::nullopt;
}

std::optional<ValueRefusal> parseArray(std::string_view text, VARTYPE element,
                                       vetrel::Variant& value)
{
    const std::string_view list = trimmed(text);
    if (list.size() < 2 || list.front() != '[' || list.back() != ']')
        return ValueRefusal{DISP_E_TYPEMISMATCH, quoted(text) + " is not a list such as [1, 2, 3]"};
    std::string_view rest = trimmed(list.substr(1, list.size() - 2));
    std::vector<vetrel::Variant> elements;
    while (!rest.empty()) {
        const size_t comma = std::min(rest.find(','), rest.size());
        vetrel::Variant item;
        if (auto refused = parseScalar(trimmed(rest.substr(0, comma)), element, item))
            return refused;
        elements.push_back(std::move(item));
        rest.remove_prefix(std::min(comma + 1, rest.size()));
    }
    SAFEARRAY* array = SafeArrayCreateVector(element, 0, static_cast<ULONG>(elements.size()));
    if (!array)
        return ValueRefusal{E_OUTOFMEMORY,
                            "no memory for " + std::to_string(elements.size()) + " elements"};
    VARIANT* slot = value.out();
    slot->vt = VT_ARRAY | element;
    slot->parray = array;
    for (LONG index = 0; index < static_cast<LONG>(elements.size()); ++index) {
        VARIANT item = elements[static_cast<size_t>(index)].get();
        // A string element is handed over as the string itself, every other as its storage.
        void* source = element == VT_BSTR ? item.bstrVal : elementStorage(item, element);
        if (const HRESULT hr = SafeArrayPutElement(array, &index, source); FAILED(hr))
            return ValueRefusal{hr, "element " + std::to_string(index) + " could not be stored"};
    }
    return std::nullopt;
}

} // namespace

std::optional<ValueRefusal> parseValue(std::string_view text, VARTYPE type, vetrel::Variant& value)
{
    if (type & VT_ARRAY) return parseArray(text, type & VT_TYPEMASK, value);
    return parseScalar(text, type, value);
}

} // namespace opcprobe
