#include "server/group_names.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace vetrel {
namespace {

constexpr std::string_view kDefaultPrefix = "Group ";
constexpr int kLastCandidate = 0x0FFFFFFF;

// The default name of number, in text.
std::string_view defaultNameOf(int number, char (&text)[32]) noexcept
{
    const int length = std::snprintf(text, sizeof text, "Group %d", number);
    return {text, static_cast<size_t>(length)};
}

// n when name is exactly what defaultNameOf makes for a candidate n, else 0.
int defaultNumber(std::string_view name) noexcept
{
    if (!name.starts_with(kDefaultPrefix)) return 0;
    name.remove_prefix(kDefaultPrefix.size());
    constexpr size_t kMostDigits = 9;
    if (name.empty() || name.size() > kMostDigits || name.front() == '0') return 0;
    int number = 0;
    for (const char digit : name) {
        if (digit < '0' || digit > '9') return 0;
        number = number * 10 + (digit - '0');
    }
    return number < kLastCandidate ? number : 0;
}

} // namespace

void GroupNames::add(OPCGroup& group, const std::string& name, std::uint64_t position)
{
    const auto [entry, added] = m_bearers.try_emplace(name);
    std::vector<Bearer>& bearers = entry->second;
    try {
        const auto later =
            std::find_if(bearers.begin(), bearers.end(),
                         [position](const Bearer& b) { return b.position > position; });
        bearers.insert(later, {&group, position});
    } catch (...) {
        if (added) m_bearers.erase(entry);
        throw;
    }
    if (const int number = defaultNumber(name); added && number && number < m_scanned)
        m_freeNumbers.erase(number);
}

void GroupNames::remove(OPCGroup& group, const std::string& name) noexcept
{
    const auto entry = m_bearers.find(name);
    if (entry == m_bearers.end()) return;
    std::erase_if(entry->second, [&group](const Bearer& b) { return b.group == &group; });
    if (!entry->second.empty()) return;
    m_bearers.erase(entry);
    const int number = defaultNumber(name);
    if (!number || number >= m_scanned) return;
    try {
        m_freeNumbers.insert(number);
    } catch (const std::bad_alloc&) {
        // Without memory to remember it, the next default name is looked for from it on.
        m_freeNumbers.erase(m_freeNumbers.lower_bound(number), m_freeNumbers.end());
        m_scanned = number;
    }
}

OPCGroup* GroupNames::first(std::string_view name) const noexcept
{
    const auto entry = m_bearers.find(name);
    return entry == m_bearers.end() ? nullptr : entry->second.front().group;
}

std::string GroupNames::defaultName()
{
    char text[32];
    if (!m_freeNumbers.empty()) return std::string(defaultNameOf(*m_freeNumbers.begin(), text));
    // Each number passed here stays passed: over many calls the walk costs one step per name.
    while (m_scanned < kLastCandidate && taken(m_scanned)) ++m_scanned;
    if (m_scanned == kLastCandidate) return "No Default Group Names Available";
    return std::string(defaultNameOf(m_scanned, text));
}

bool GroupNames::taken(int number) const noexcept
{
    char text[32];
    return m_bearers.contains(defaultNameOf(number, text));
}

} // namespace vetrel
