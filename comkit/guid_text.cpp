#include "comkit/guid_text.h"

#include <charconv>
#include <cstdio>

namespace vetrel {
namespace {

// Reads `digits` hexadecimal digits at `at`; false unless all of them are digits.
template <typename T> bool readHex(std::string_view text, size_t at, size_t digits, T& value)
{
    if (at + digits > text.size()) return false;
    unsigned long long number = 0;
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + digits, number, 16);
    if (error != std::errc() || end != first + digits) return false;
    value = static_cast<T>(number);
    return true;
}

} // namespace

std::optional<GUID> parseGuid(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    GUID guid{};
    bool valid = readHex(text, 0, 8, guid.Data1) && readHex(text, 9, 4, guid.Data2) &&
                 readHex(text, 14, 4, guid.Data3) && readHex(text, 19, 2, guid.Data4[0]) &&
                 readHex(text, 21, 2, guid.Data4[1]);
    for (size_t i = 0; valid && i < 6; ++i) valid = readHex(text, 24 + 2 * i, 2, guid.Data4[2 + i]);
    if (!valid) return std::nullopt;
    return guid;
}

std::string formatGuid(const GUID& guid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

} // namespace vetrel
