#include "platform/posix/registry_handles.h"

#include <array>
#include <utility>

namespace vetrel::registry {

namespace {

// HKEY_CLASSES_ROOT is the machine's class registrations: Windows also merges in the user's
// own, which this registry does not keep apart.
std::optional<KeyId> predefinedKey(HKEY handle)
{
    const std::array<std::pair<HKEY, KeyId>, 4> predefined = {{
        {HKEY_CLASSES_ROOT, kMachineClasses},
        {HKEY_CURRENT_USER, kCurrentUser},
        {HKEY_LOCAL_MACHINE, kLocalMachine},
        {HKEY_USERS, kUsers},
    }};
    for (const auto& [known, key] : predefined)
        if (known == handle) return key;
    return std::nullopt;
}

// Handle values step by 4 like Windows handles; the predefined values lie far above them.
constexpr uintptr_t kHandleStep = 4;

} // namespace

KeyHandles& KeyHandles::instance()
{
    // Never destroyed, so that handles can still be closed while the process exits.
    static KeyHandles* const handles = new KeyHandles;
    return *handles;
}

HKEY KeyHandles::add(OpenKey key)
{
    std::lock_guard guard(m_mutex);
    const uintptr_t value = m_next;
    m_next += kHandleStep;
    m_open.emplace(value, key);
    return reinterpret_cast<HKEY>(value);
}

std::optional<OpenKey> KeyHandles::find(HKEY handle) const
{
    if (const auto predefined = predefinedKey(handle)) return OpenKey{*predefined, KEY_ALL_ACCESS};
    std::lock_guard guard(m_mutex);
    const auto found = m_open.find(reinterpret_cast<uintptr_t>(handle));
    if (found == m_open.end()) return std::nullopt;
    return found->second;
}

bool KeyHandles::close(HKEY handle)
{
    if (isPredefined(handle)) return true;
    std::lock_guard guard(m_mutex);
    return m_open.erase(reinterpret_cast<uintptr_t>(handle)) == 1;
}

bool KeyHandles::isPredefined(HKEY handle)
{
    return predefinedKey(handle).has_value();
}

} // namespace vetrel::registry
