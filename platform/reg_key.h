// RegKey: owns one open registry key and closes it, on both targets.
#pragma once

#include "vetrel/com.h"

#include <utility>

namespace vetrel {

class RegKey
{
public:
    RegKey() noexcept = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept
    {
        if (this != &other) {
            close();
            m_key = std::exchange(other.m_key, nullptr);
        }
        return *this;
    }
    ~RegKey() { close(); }

    // Creates the subkey or opens it when present.
    static RegKey create(HKEY parent, const char* subKey, REGSAM access = KEY_ALL_ACCESS) noexcept
    {
        RegKey key;
        if (RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                            &key.m_key, nullptr) != ERROR_SUCCESS)
            key.m_key = nullptr;
        return key;
    }

    static RegKey open(HKEY parent, const char* subKey, REGSAM access) noexcept
    {
        RegKey key;
        if (RegOpenKeyExA(parent, subKey, 0, access, &key.m_key) != ERROR_SUCCESS)
            key.m_key = nullptr;
        return key;
    }

    explicit operator bool() const noexcept { return m_key != nullptr; }
    HKEY get() const noexcept { return m_key; }

    void close() noexcept
    {
        if (m_key) RegCloseKey(std::exchange(m_key, nullptr));
    }

private:
    HKEY m_key = nullptr;
};

} // namespace vetrel
