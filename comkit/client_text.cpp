#include "comkit/client_text.h"

#include "platform/task_mem.h"

#include <climits>

namespace vetrel {

std::string fromClientText(LPCWSTR text)
{
    if (!text) return {};
    const size_t length = static_cast<size_t>(lstrlenW(text));
    if (length == 0 || length > INT_MAX / 2) return {};
    // Item IDs and names are nearly always ASCII, which every ANSI code page keeps as it is:
    // copied unit for unit, without asking the code page twice.
    std::string narrow(length, '\0');
    size_t copied = 0;
    for (; copied < length && text[copied] < 0x80; ++copied)
        narrow[copied] = static_cast<char>(text[copied]);
    if (copied == length) return narrow;
    const int wideLength = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    narrow.assign(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wideLength, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

LPWSTR toClientText(std::string_view text) noexcept
{
    auto wide = TaskMem<WCHAR>::allocate(text.size() + 1);
    if (!wide) return nullptr;
    for (size_t i = 0; i < text.size(); ++i)
        wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
    wide[text.size()] = 0;
    return wide.release();
}

} // namespace vetrel
