// Clipboard format numbers: a process-wide table from name to number, from 0xC000 up. Names
// compare without regard to case, as Windows atoms do.
#include "vetrel/com.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr UINT kFirstFormat = 0xC000;
constexpr UINT kLastFormat = 0xFFFF;
constexpr size_t kLongestName = 255;

// Upper case in Windows-1252, the code page names are written in.
unsigned char upper1252(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    switch (c) {
    case 0x9A:
        return 0x8A; // s with caron
    case 0x9C:
        return 0x8C; // ligature oe
    case 0x9E:
        return 0x8E; // z with caron
    case 0xFF:
        return 0x9F; // y with diaeresis
    default:
        return c;
    }
}

std::string foldCase(const char* name)
{
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(upper1252(static_cast<unsigned char>(c)));
    return folded;
}

class FormatTable
{
public:
    static FormatTable& instance()
    {
        static FormatTable* const table = new FormatTable;
        return *table;
    }

    UINT numberOf(const char* name)
    {
        std::string folded = foldCase(name);
        std::lock_guard lock(m_mutex);
        for (size_t i = 0; i < m_names.size(); ++i)
            if (m_names[i] == folded) return kFirstFormat + static_cast<UINT>(i);
        if (kFirstFormat + m_names.size() > kLastFormat) return 0;
        m_names.push_back(std::move(folded));
        return kFirstFormat + static_cast<UINT>(m_names.size() - 1);
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_names; // folded; index i is format 0xC000 + i
};

} // namespace

extern "C" UINT WINAPI RegisterClipboardFormatA(LPCSTR lpszFormat)
{
    if (!lpszFormat || !*lpszFormat) return 0;
    if (std::strlen(lpszFormat) > kLongestName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        return FormatTable::instance().numberOf(lpszFormat);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}
