// Stores of host tags for the benchmarks (count tags under one branch, removed at the end), and a
// client group that follows them.
#pragma once

#include "fixtures/opc_client.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

constexpr WORD kGood = 0xC0;

// 20-character names under one branch: "Bench.Tag.000000123".
inline std::string tagName(const char* prefix, size_t index)
{
    char name[64];
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

// One client's group with one item following each of count tags named as a Store names them,
// added in batches as a client adds them. The runtime must be started.
class FollowingGroup
{
public:
    FollowingGroup(const char* prefix, size_t count)
        : m_client(vetrel::test::ClientConnection::connect()),
          m_group(m_client.addGroup("Following"))
    {
        constexpr size_t kBatch = 10'000;
        std::vector<vetrel::test::ItemDef> batch;
        batch.reserve(kBatch);
        for (size_t first = 0; first < count; first += kBatch) {
            batch.clear();
            for (size_t i = first; i < std::min(count, first + kBatch); ++i)
                batch.push_back(
                    {tagName(prefix, i), "", VT_EMPTY, TRUE, static_cast<OPCHANDLE>(i)});
            m_group.addItems(batch);
        }
    }

private:
    vetrel::test::ClientConnection m_client;
    vetrel::test::ClientGroup m_group;
};

} // namespace bench
