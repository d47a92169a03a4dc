#include "server_id.h"

#include "platform/reg_key.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace opcprobe {
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

// Wine's ntdll exports its version; the registry a Wine process sees is its prefix's own.
bool runningUnderWine()
{
    const HMODULE ntdll = LoadLibraryA("ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    if (ntdll) FreeLibrary(ntdll);
    return wine;
}

} // namespace

std::optional<CLSID> parseClsid(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    CLSID clsid{};
    bool valid = readHex(text, 0, 8, clsid.Data1) && readHex(text, 9, 4, clsid.Data2) &&
                 readHex(text, 14, 4, clsid.Data3) && readHex(text, 19, 2, clsid.Data4[0]) &&
                 readHex(text, 21, 2, clsid.Data4[1]);
    for (size_t i = 0; valid && i < 6; ++i)
        valid = readHex(text, 24 + 2 * i, 2, clsid.Data4[2 + i]);
    if (!valid) return std::nullopt;
    return clsid;
}

std::string formatClsid(const CLSID& clsid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(clsid.Data1), clsid.Data2, clsid.Data3, clsid.Data4[0],
                  clsid.Data4[1], clsid.Data4[2], clsid.Data4[3], clsid.Data4[4], clsid.Data4[5],
                  clsid.Data4[6], clsid.Data4[7]);
    return text;
}

std::optional<CLSID> clsidFromProgId(const std::string& progId)
{
    const std::string path = progId + "\\CLSID";
    const vetrel::RegKey key = vetrel::RegKey::open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ);
    if (progId.empty() || !key) return std::nullopt;
    char text[64] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return parseClsid(std::string_view(text, strnlen(text, size)));
}

bool isUnregistered(HRESULT result)
{
    return result == kNotAClass || result == REGDB_E_CLASSNOTREG ||
           result == CLASS_E_CLASSNOTAVAILABLE;
}

std::string unregisteredText(const std::string& server)
{
    return "no OPC server is registered as " + server +
           (runningUnderWine() ? " in this Wine prefix (is VETREL_WINEPREFIX set?)" : "");
}

} // namespace opcprobe
