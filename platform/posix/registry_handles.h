// The key handles a process holds: each names a key by identity, with the access it was opened
// for. Handles are looked up, never dereferenced, and never reused, so a closed or forged
// handle is always refused.
#pragma once

#include "platform/posix/registry_tree.h"

#include <mutex>
#include <optional>
#include <unordered_map>

namespace vetrel::registry {

struct OpenKey
{
    KeyId key = 0;
    REGSAM access = 0;
};

class KeyHandles
{
public:
    static KeyHandles& instance();

    HKEY add(OpenKey key);
    // The key behind a handle; the predefined keys are always open with every right.
    std::optional<OpenKey> find(HKEY handle) const;
    // False when the handle is not open. Closing a predefined key does nothing.
    bool close(HKEY handle);
    static bool isPredefined(HKEY handle);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<uintptr_t, OpenKey> m_open;
    uintptr_t m_next = 0x100;
};

} // namespace vetrel::registry
