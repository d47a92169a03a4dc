#include "comkit/registry_read.h"

#include "comkit/guid_text.h"
#include "platform/reg_key.h"

#include <algorithm>

namespace vetrel {
namespace {

// Longer than any key name the registry allows.
constexpr DWORD kLongestKeyName = 256;

} // namespace

std::optional<std::string> registryText(HKEY parent, const char* subKey, const char* name)
{
    const RegKey key = RegKey::open(parent, subKey, KEY_READ);
    if (!key) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::string text(size, '\0');
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    // The stored terminator, and any written after it, are not text.
    text.resize(std::min<size_t>(size, text.find('\0')));
    return text;
}

std::vector<std::string> subkeyNames(HKEY parent, const char* subKey)
{
    std::vector<std::string> names;
    const RegKey key = RegKey::open(parent, subKey, KEY_READ);
    if (!key) return names;
    for (DWORD index = 0;; ++index) {
        char name[kLongestKeyName];
        DWORD length = kLongestKeyName;
        if (RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return names;
        names.emplace_back(name, length);
    }
}

std::optional<CLSID> classOfProgId(const std::string& progId)
{
    // An empty ProgID would read HKEY_CLASSES_ROOT\CLSID, which names no class.
    if (progId.empty()) return std::nullopt;
    const auto text = registryText(HKEY_CLASSES_ROOT, (progId + "\\CLSID").c_str());
    return text ? parseGuid(*text) : std::nullopt;
}

} // namespace vetrel
