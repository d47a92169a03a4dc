#include "wide_text.h"

namespace opcprobe {

std::basic_string<OLECHAR> widen(std::string_view utf8)
{
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::basic_string<OLECHAR> wide(static_cast<size_t>(length), 0);
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, reinterpret_cast<LPWSTR>(wide.data()),
                        length);
    return wide;
}

std::string narrow(std::basic_string_view<OLECHAR> utf16)
{
    if (utf16.empty()) return {};
    const auto* wide = reinterpret_cast<LPCWCH>(utf16.data());
    const int size = static_cast<int>(utf16.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, size, text.data(), length, nullptr, nullptr);
    return text;
}

std::string narrow(const OLECHAR* utf16)
{
    return utf16 ? narrow(std::basic_string_view<OLECHAR>(utf16)) : std::string();
}

} // namespace opcprobe
