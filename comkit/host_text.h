// Arguments of the host API's plain and B forms, converted for the A forms.
#pragma once

#include "vetrel/com.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace vetrel {

// Fixed buffer sizes of the host API; a text is cut to one character less.
constexpr size_t kNameBuffer = 200;
constexpr size_t kRegistryTextBuffer = 100;
constexpr size_t kLongTextBuffer = 400;

// The text up to its first NUL, cut to fit buffer with its terminator.
inline std::string cutText(std::string_view text, size_t buffer)
{
    text = text.substr(0, std::min(text.find('\0'), buffer - 1));
    return std::string(text);
}

// A host's C string, where a null pointer counts as the empty text.
inline std::string_view textOf(const char* text)
{
    return text ? std::string_view(text) : std::string_view();
}

inline std::string cutText(const char* text, size_t buffer)
{
    return cutText(textOf(text), buffer);
}

inline CLSID clsidFromBytes(const BYTE* bytes) noexcept
{
    CLSID clsid;
    std::memcpy(&clsid, bytes, sizeof clsid);
    return clsid;
}

} // namespace vetrel
