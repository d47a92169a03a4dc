#include "platform/posix/registry_tree.h"

#include <algorithm>
#include <chrono>

namespace vetrel::registry {

namespace {

// Windows orders and matches names by their upper-case form.
unsigned char folded(char c) noexcept
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

} // namespace

bool NameLess::operator()(std::string_view a, std::string_view b) const noexcept
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return folded(x) < folded(y); });
}

LSTATUS splitPath(std::string_view whole, Path& path)
{
    path.clear();
    if (!whole.empty() && whole.front() == '\\') return ERROR_BAD_PATHNAME;
    size_t start = 0;
    while (start <= whole.size()) {
        size_t end = whole.find('\\', start);
        if (end == std::string_view::npos) end = whole.size();
        const std::string_view part = whole.substr(start, end - start);
        if (!part.empty()) path.emplace_back(part);
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

uint64_t currentFileTime()
{
    const auto sinceUnixEpoch = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceUnixEpoch) / 100;
    return kUnixEpochAsFileTime + static_cast<uint64_t>(ticks.count());
}

Tree::Tree() : m_top(std::make_unique<Key>())
{
    const uint64_t now = currentFileTime();
    Key& machine = addSubkey(*m_top, "HKEY_LOCAL_MACHINE", kLocalMachine, now);
    Key& user = addSubkey(*m_top, "HKEY_CURRENT_USER", kCurrentUser, now);
    addSubkey(*m_top, "HKEY_USERS", kUsers, now);
    Key& machineSoftware = addSubkey(machine, "Software", kMachineSoftware, now);
    Key& classes = addSubkey(machineSoftware, "Classes", kMachineClasses, now);
    addSubkey(classes, "CLSID", kClassIds, now);
    addSubkey(user, "Software", kUserSoftware, now);
}

Key* Tree::find(KeyId id) const
{
    const auto found = m_index.find(id);
    return found == m_index.end() ? nullptr : found->second;
}

Key* Tree::find(Key& from, const Path& path) const
{
    Key* key = &from;
    for (const std::string& name : path) {
        key = child(*key, name);
        if (!key) return nullptr;
    }
    return key;
}

Key* Tree::child(const Key& parent, std::string_view name)
{
    const auto found = parent.subkeys.find(name);
    return found == parent.subkeys.end() ? nullptr : found->second.get();
}

Key& Tree::addSubkey(Key& parent, std::string_view name, KeyId id, uint64_t time)
{
    auto key = std::make_unique<Key>();
    key->id = id;
    key->name = name;
    key->parent = &parent;
    key->lastWrite = time;
    Key& added = *key;
    m_index.emplace(id, &added);
    parent.subkeys.emplace(std::string(name), std::move(key));
    return added;
}

Key& Tree::createSubkey(Key& parent, std::string_view name, uint64_t time)
{
    Key& created = addSubkey(parent, name, m_nextId++, time);
    parent.lastWrite = time;
    ++m_revision;
    return created;
}

void Tree::removeKey(Key& key, uint64_t time)
{
    Key& parent = *key.parent;
    m_index.erase(key.id);
    parent.subkeys.erase(parent.subkeys.find(key.name));
    parent.lastWrite = time;
    ++m_revision;
}

void Tree::setValue(Key& key, std::string_view name, Value value, uint64_t time)
{
    const auto found = key.values.find(name);
    if (found == key.values.end())
        key.values.emplace(std::string(name), std::move(value));
    else
        found->second = std::move(value);
    key.lastWrite = time;
    ++m_revision;
}

bool Tree::eraseValue(Key& key, std::string_view name, uint64_t time)
{
    const auto found = key.values.find(name);
    if (found == key.values.end()) return false;
    key.values.erase(found);
    key.lastWrite = time;
    ++m_revision;
    return true;
}

} // namespace vetrel::registry
