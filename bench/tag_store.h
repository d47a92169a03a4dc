// Stores of host tags for the benchmarks: count tags under one branch, removed at the end.
#pragma once

#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

constexpr WORD kGood = 0xC0;

// 20-character names under one branch: "Bench.Tag.000000123".
inline std::string tagName(const char* prefix, size_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s.%09zu", prefix, index);
    return name;
}

class Store
{
public:
    Store(const char* prefix, size_t count)
    {
        m_handles.reserve(count);
        for (size_t i = 0; i < count; ++i)
            m_handles.push_back(
                CreateTagA(tagName(prefix, i).c_str(), vetrel::test::r4(0.0f), kGood, TRUE));
    }
    ~Store()
    {
        for (DWORD handle : m_handles) RemoveTag(handle);
    }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::vector<DWORD>& handles() const { return m_handles; }

private:
    std::vector<DWORD> m_handles;
};

} // namespace bench
