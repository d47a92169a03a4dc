// The registry functions over the file-backed tree: validate, resolve the handle, then read or
// change the tree in one step under the store's lock.
#include "vetrel/posix/registry.h"

#include "platform/posix/registry_handles.h"
#include "platform/posix/registry_store.h"

#include <cstring>
#include <iterator>
#include <new>
#include <string_view>

namespace {

using namespace vetrel::registry;

template <typename Body> LSTATUS boundary(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_BADDB;
    }
}

std::string_view orEmpty(LPCSTR text)
{
    return text ? std::string_view(text) : std::string_view();
}

// The open key behind a handle, provided the handle carries every right in needed.
LSTATUS openKey(HKEY handle, REGSAM needed, OpenKey& open)
{
    const auto found = KeyHandles::instance().find(handle);
    if (!found) return ERROR_INVALID_HANDLE;
    if ((found->access & needed) != needed) return ERROR_ACCESS_DENIED;
    open = *found;
    return ERROR_SUCCESS;
}

template <typename Inspect> LSTATUS readKey(const OpenKey& open, Inspect&& inspect)
{
    return Store::instance().read([&](const Tree& tree) -> LSTATUS {
        Key* key = tree.find(open.key);
        return key ? inspect(tree, *key) : ERROR_KEY_DELETED;
    });
}

template <typename Change> LSTATUS changeKey(const OpenKey& open, Change&& change)
{
    return Store::instance().write([&](Tree& tree) -> LSTATUS {
        Key* key = tree.find(open.key);
        return key ? change(tree, *key) : ERROR_KEY_DELETED;
    });
}

// Hands bytes to a caller's buffer of *size bytes; without a buffer only the size is reported.
LSTATUS copyBytes(std::string_view bytes, LPBYTE buffer, LPDWORD size)
{
    const auto needed = static_cast<DWORD>(bytes.size());
    if (buffer && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (buffer) std::memcpy(buffer, bytes.data(), bytes.size());
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

// Hands a name to a caller's buffer of *length characters, terminator included. On success
// *length is the name's length without the terminator; when it does not fit, it is unchanged.
LSTATUS copyName(std::string_view name, LPSTR buffer, LPDWORD length)
{
    if (name.size() >= *length) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

FILETIME toFileTime(uint64_t time)
{
    return FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

} // namespace

extern "C" {

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR /*lpClass*/,
                               DWORD /*dwOptions*/, REGSAM samDesired,
                               const LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/,
                               PHKEY phkResult, LPDWORD lpdwDisposition)
{
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    if (Reserved != 0) return ERROR_INVALID_PARAMETER;
    return boundary([&]() -> LSTATUS {
        OpenKey base;
        if (const LSTATUS status = openKey(hKey, 0, base)) return status;
        Path path;
        if (const LSTATUS status = splitPath(orEmpty(lpSubKey), path)) return status;

        KeyId target = 0;
        bool created = false;
        const LSTATUS status = changeKey(base, [&](Tree& tree, Key& key) -> LSTATUS {
            const uint64_t now = currentFileTime();
            Key* current = &key;
            for (const std::string& name : path) {
                Key* next = Tree::child(*current, name);
                if (!next) {
                    next = &tree.createSubkey(*current, name, now);
                    created = true;
                }
                current = next;
            }
            target = current->id;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
        *phkResult = KeyHandles::instance().add(OpenKey{target, samDesired});
        if (lpdwDisposition)
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    if (KeyHandles::isPredefined(hKey) && orEmpty(lpSubKey).empty()) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    return RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, phkResult, nullptr);
}

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                             PHKEY phkResult)
{
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return boundary([&]() -> LSTATUS {
        OpenKey base;
        if (const LSTATUS status = openKey(hKey, 0, base)) return status;
        Path path;
        if (const LSTATUS status = splitPath(orEmpty(lpSubKey), path)) return status;

        KeyId target = 0;
        const LSTATUS status = readKey(base, [&](const Tree& tree, Key& key) -> LSTATUS {
            const Key* found = tree.find(key, path);
            if (!found) return ERROR_FILE_NOT_FOUND;
            target = found->id;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
        *phkResult = KeyHandles::instance().add(OpenKey{target, samDesired});
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    if (!orEmpty(lpSubKey).empty())
        return RegOpenKeyExA(hKey, lpSubKey, 0, KEY_ALL_ACCESS, phkResult);
    // Without a subkey the caller gets its own handle back, as on Windows.
    return boundary([&]() -> LSTATUS {
        if (!KeyHandles::instance().find(hKey)) return ERROR_INVALID_HANDLE;
        *phkResult = hKey;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegCloseKey(HKEY hKey)
{
    return boundary([&]() -> LSTATUS {
        return KeyHandles::instance().close(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

LSTATUS WINAPI RegFlushKey(HKEY hKey)
{
    // Every change is on disk when its call returns; only the handle is checked.
    return boundary([&]() -> LSTATUS {
        OpenKey open;
        if (const LSTATUS status = openKey(hKey, 0, open)) return status;
        return readKey(open, [](const Tree&, Key&) -> LSTATUS { return ERROR_SUCCESS; });
    });
}

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey)
{
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    return boundary([&]() -> LSTATUS {
        OpenKey base;
        if (const LSTATUS status = openKey(hKey, 0, base)) return status;
        Path path;
        if (const LSTATUS status = splitPath(lpSubKey, path)) return status;
        return changeKey(base, [&](Tree& tree, Key& key) -> LSTATUS {
            Key* target = tree.find(key, path);
            if (!target) return ERROR_FILE_NOT_FOUND;
            // Windows refuses to delete a key that still has subkeys; the built-in keys stay.
            if (Tree::isBuiltIn(*target) || !target->subkeys.empty()) return ERROR_ACCESS_DENIED;
            tree.removeKey(*target, currentFileTime());
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                              const BYTE* lpData, DWORD cbData)
{
    return boundary([&]() -> LSTATUS {
        OpenKey open;
        if (const LSTATUS status = openKey(hKey, KEY_SET_VALUE, open)) return status;
        if (!lpData && cbData != 0) return ERROR_NOACCESS;
        Value value{dwType, {}};
        if (lpData) value.data.assign(reinterpret_cast<const char*>(lpData), cbData);
        return changeKey(open, [&](Tree& tree, Key& key) -> LSTATUS {
            tree.setValue(key, orEmpty(lpValueName), std::move(value), currentFileTime());
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return boundary([&]() -> LSTATUS {
        OpenKey open;
        if (const LSTATUS status = openKey(hKey, KEY_QUERY_VALUE, open)) return status;
        return readKey(open, [&](const Tree&, Key& key) -> LSTATUS {
            const auto found = key.values.find(orEmpty(lpValueName));
            if (found == key.values.end()) return ERROR_FILE_NOT_FOUND;
            if (lpType) *lpType = found->second.type;
            return copyBytes(found->second.data, lpData, lpcbData);
        });
    });
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    return boundary([&]() -> LSTATUS {
        OpenKey open;
        if (const LSTATUS status = openKey(hKey, KEY_SET_VALUE, open)) return status;
        return changeKey(open, [&](Tree& tree, Key& key) -> LSTATUS {
            return tree.eraseValue(key, orEmpty(lpValueName), currentFileTime())
                       ? ERROR_SUCCESS
                       : ERROR_FILE_NOT_FOUND;
        });
    });
}

LSTATUS WINAPI RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData,
                            DWORD /*cbData*/)
{
    if (dwType != REG_SZ || !lpData) return ERROR_INVALID_PARAMETER;
    // The text's own length counts, terminator included, whatever the caller passed.
    const auto size = static_cast<DWORD>(std::strlen(lpData) + 1);
    const auto* data = reinterpret_cast<const BYTE*>(lpData);
    if (orEmpty(lpSubKey).empty()) return RegSetValueExA(hKey, nullptr, 0, REG_SZ, data, size);

    HKEY subkey = nullptr;
    const LSTATUS opened = RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, &subkey, nullptr);
    if (opened != ERROR_SUCCESS) return opened;
    const LSTATUS status = RegSetValueExA(subkey, nullptr, 0, REG_SZ, data, size);
    RegCloseKey(subkey);
    return status;
}

LSTATUS WINAPI RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, LONG* lpcbData)
{
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    HKEY key = hKey;
    if (!orEmpty(lpSubKey).empty()) {
        const LSTATUS opened = RegOpenKeyExA(hKey, lpSubKey, 0, KEY_QUERY_VALUE, &key);
        if (opened != ERROR_SUCCESS) return opened;
    }
    auto* buffer = reinterpret_cast<LPBYTE>(lpData);
    DWORD size = lpcbData ? static_cast<DWORD>(*lpcbData) : 0;
    LPDWORD sizeArgument = lpcbData ? &size : nullptr;
    LSTATUS status = RegQueryValueExA(key, nullptr, nullptr, nullptr, buffer, sizeArgument);
    // A key without a default value reads as empty text.
    if (status == ERROR_FILE_NOT_FOUND)
        status = copyBytes(std::string_view("", 1), buffer, sizeArgument);
    if (lpcbData) *lpcbData = static_cast<LONG>(size);
    if (key != hKey) RegCloseKey(key);
    return status;
}

LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                             LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                             FILETIME* lpftLastWriteTime)
{
    if (lpReserved || !lpName || !lpcchName || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    return boundary([&]() -> LSTATUS {
        OpenKey open;
        if (const LSTATUS status = openKey(hKey, KEY_ENUMERATE_SUB_KEYS, open)) return status;
        return readKey(open, [&](const Tree&, Key& key) -> LSTATUS {
            if (dwIndex >= key.subkeys.size()) return ERROR_NO_MORE_ITEMS;
            const Key& subkey = *std::next(key.subkeys.begin(), dwIndex)->second;
            // Keys keep no class: it reads as empty text.
            if (lpClass)
                if (const LSTATUS status = copyName({}, lpClass, lpcchClass)) return status;
            if (const LSTATUS status = copyName(subkey.name, lpName, lpcchName)) return status;
            if (lpftLastWriteTime) *lpftLastWriteTime = toFileTime(subkey.lastWrite);
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    return boundary([&]() -> LSTATUS {
        OpenKey open;
        if (const LSTATUS status = openKey(hKey, KEY_QUERY_VALUE, open)) return status;
        return readKey(open, [&](const Tree&, Key& key) -> LSTATUS {
            if (dwIndex >= key.values.size()) return ERROR_NO_MORE_ITEMS;
            const auto& [name, value] = *std::next(key.values.begin(), dwIndex);
            if (lpType) *lpType = value.type;
            if (const LSTATUS status = copyBytes(value.data, lpData, lpcbData)) return status;
            return copyName(name, lpValueName, lpcchValueName);
        });
    });
}

} // extern "C"
