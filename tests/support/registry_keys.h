// Registry helpers for tests, on both targets: keys created with every right, values as byte
// strings, and removal of a test's keys.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace vetrel::test {

// A string value as Windows stores it: with its terminator.
inline std::string sz(const std::string& text)
{
    return text + '\0';
}

// Creates the key or opens it when present; nullptr on failure.
inline HKEY createKey(HKEY parent, const std::string& path, DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

inline LSTATUS setValue(HKEY key, const char* name, DWORD type, const std::string& data)
{
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

// Sets a REG_SZ value of a key below HKEY_CURRENT_USER, creating the key.
inline LSTATUS setText(const std::string& path, const char* name, const std::string& text)
{
    HKEY key = createKey(HKEY_CURRENT_USER, path);
    if (!key) return ERROR_CANTOPEN;
    const LSTATUS status = setValue(key, name, REG_SZ, sz(text));
    RegCloseKey(key);
    return status;
}

struct Queried
{
    LSTATUS status;
    DWORD type;
    std::string data;
};

inline Queried queryValue(HKEY key, const char* name)
{
    BYTE buffer[512];
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, buffer, &size);
    if (status != ERROR_SUCCESS) return {status, type, {}};
    return {status, type, std::string(reinterpret_cast<const char*>(buffer), size)};
}

// Deletes a key and everything below it, children first.
inline bool deleteTree(HKEY parent, const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    char child[256];
    DWORD length = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           deleteTree(key, child))
        length = sizeof child;
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

} // namespace vetrel::test
