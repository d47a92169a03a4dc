// The registry as a tree in memory: keys with stable identities, their values, and the keys
// every registry has. Names compare without regard to ASCII letter case and keep the case they
// were created with.
#pragma once

#include "vetrel/posix/base.h"
#include "vetrel/posix/registry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vetrel::registry {

struct NameLess
{
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

// A key's identity outlives re-reading the file, so an open handle keeps naming the same key
// while it exists and never a key created later under the same path.
using KeyId = uint64_t;

inline constexpr KeyId kLocalMachine = 1;
inline constexpr KeyId kCurrentUser = 2;
inline constexpr KeyId kUsers = 3;
inline constexpr KeyId kMachineSoftware = 4;
inline constexpr KeyId kMachineClasses = 5;
inline constexpr KeyId kUserSoftware = 6;
inline constexpr KeyId kClassIds = 7;
// Identities below this one belong to the built-in keys.
inline constexpr KeyId kFirstFreeId = 16;

struct Value
{
    DWORD type = REG_NONE;
    std::string data;
};

struct Key
{
    KeyId id = 0;
    std::string name;
    Key* parent = nullptr;
    uint64_t lastWrite = 0; // FILETIME units
    std::map<std::string, std::unique_ptr<Key>, NameLess> subkeys;
    std::map<std::string, Value, NameLess> values;
};

using Path = std::vector<std::string>;

// Splits a backslash-separated key path. Empty components are skipped, as Windows does, except
// that a path may not begin with a backslash.
LSTATUS splitPath(std::string_view text, Path& path);

// The current time in FILETIME units.
uint64_t currentFileTime();

class Tree
{
public:
    // A registry holding only the built-in keys that every Windows registry has: the three
    // hives, HKLM\Software, HKLM\Software\Classes with its CLSID key, and HKCU\Software.
    Tree();

    // The unnamed container of the hives.
    const Key& top() const { return *m_top; }
    Key& top() { return *m_top; }

    Key* find(KeyId id) const;
    Key* find(Key& from, const Path& path) const;
    static Key* child(const Key& parent, std::string_view name);
    static bool isBuiltIn(const Key& key) { return key.id < kFirstFreeId; }

    Key& createSubkey(Key& parent, std::string_view name, uint64_t time);
    // Removes a key that has no subkeys.
    void removeKey(Key& key, uint64_t time);
    void setValue(Key& key, std::string_view name, Value value, uint64_t time);
    // False when the key has no such value.
    bool eraseValue(Key& key, std::string_view name, uint64_t time);

    // Counts the changes, so that a caller can tell whether anything needs saving.
    uint64_t revision() const { return m_revision; }

    // Used when reading a saved tree back: the identity counter and keys with the identities
    // they were saved with.
    KeyId nextId() const { return m_nextId; }
    void setNextId(KeyId next) { m_nextId = next; }
    Key& addSubkey(Key& parent, std::string_view name, KeyId id, uint64_t time);

private:
    std::unique_ptr<Key> m_top;
    std::unordered_map<KeyId, Key*> m_index;
    KeyId m_nextId = kFirstFreeId;
    uint64_t m_revision = 0;
};

} // namespace vetrel::registry
