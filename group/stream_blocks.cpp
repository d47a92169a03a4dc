#include "group/stream_blocks.h"

#include "group/item_io.h"
#include "platform/global_lock.h"

#include <cstring>
#include <unordered_map>

namespace vetrel {
namespace {

// A VARIANT in a stream takes its type word, three reserved words and the 8-byte value field:
// the first 16 bytes of the structure whatever the build's bitness.
constexpr size_t kStreamVariantBytes = 16;
constexpr size_t kGroupHeaderBytes = 20;
constexpr size_t kDataTimeItemBytes = 20;
constexpr size_t kDataItemBytes = 12;
constexpr size_t kWriteHeaderBytes = 16;
constexpr size_t kWriteItemBytes = 8;
static_assert(sizeof(VARIANT) >= kStreamVariantBytes);

// Stream fields are little-endian at any offset.
template <typename T> void put(BYTE* block, size_t offset, T value) noexcept
{
    std::memcpy(block + offset, &value, sizeof value);
}

size_t streamSize(const VARIANT& value) noexcept
{
    if (value.vt != VT_BSTR) return kStreamVariantBytes;
    // Byte length, the characters and a terminator follow the structure.
    return kStreamVariantBytes + sizeof(DWORD) + SysStringByteLen(value.bstrVal) + sizeof(WCHAR);
}

// value at offset; the bytes it took.
size_t putValue(BYTE* block, size_t offset, const VARIANT& value) noexcept
{
    std::memcpy(block + offset, &value, kStreamVariantBytes);
    if (value.vt != VT_BSTR) return kStreamVariantBytes;
    const UINT bytes = SysStringByteLen(value.bstrVal);
    put<DWORD>(block, offset + kStreamVariantBytes, bytes);
    if (bytes)
        std::memcpy(block + offset + kStreamVariantBytes + sizeof(DWORD), value.bstrVal, bytes);
    put<WCHAR>(block, offset + kStreamVariantBytes + sizeof(DWORD) + bytes, 0);
    return streamSize(value);
}

} // namespace

StreamValues::StreamValues(std::span<OPCItem* const> items)
{
    m_entries.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        Entry& entry = m_entries[i];
        entry.serverHandle = items[i]->m_serverHandle;
        entry.clientHandle = items[i]->m_clientHandle;
        // A value that cannot take the requested type is sent in its own type, quality 0.
        readItemValue(*items[i], *entry.value.out(), entry.quality, entry.timestamp);
    }
}

StreamValues StreamValues::merged(const StreamValues& older, const StreamValues& newer)
{
    StreamValues result;
    result.m_entries = older.m_entries;
    std::unordered_map<OPCHANDLE, size_t> at;
    at.reserve(older.m_entries.size());
    for (size_t i = 0; i < older.m_entries.size(); ++i)
        at.emplace(older.m_entries[i].serverHandle, i);
    for (const Entry& entry : newer.m_entries) {
        const auto found = at.find(entry.serverHandle);
        if (found != at.end())
            result.m_entries[found->second] = entry;
        else
            result.m_entries.push_back(entry);
    }
    return result;
}

GlobalMemory StreamValues::block(OPCHANDLE groupHandle, DWORD transactionId,
                                 bool withTimes) const noexcept
{
    const size_t itemBytes = withTimes ? kDataTimeItemBytes : kDataItemBytes;
    size_t size = kGroupHeaderBytes + itemBytes * m_entries.size();
    for (const Entry& entry : m_entries) size += streamSize(entry.value.get());

    auto memory = GlobalMemory::allocateFixed(size);
    GlobalLock locked(memory.get());
    auto* block = locked.as<BYTE>();
    if (!block) return {};
    put<DWORD>(block, 0, static_cast<DWORD>(size));
    put<DWORD>(block, 4, static_cast<DWORD>(m_entries.size()));
    put<DWORD>(block, 8, groupHandle);
    put<DWORD>(block, 12, transactionId);
    put<HRESULT>(block, 16, S_OK);

    size_t header = kGroupHeaderBytes;
    size_t valueOffset = kGroupHeaderBytes + itemBytes * m_entries.size();
    for (const Entry& entry : m_entries) {
        put<DWORD>(block, header, entry.clientHandle);
        put<DWORD>(block, header + 4, static_cast<DWORD>(valueOffset));
        put<WORD>(block, header + 8, entry.quality);
        put<WORD>(block, header + 10, 0);
        if (withTimes) put<FILETIME>(block, header + 12, entry.timestamp);
        header += itemBytes;
        valueOffset += putValue(block, valueOffset, entry.value.get());
    }
    return memory;
}

GlobalMemory writeCompleteBlock(OPCHANDLE groupHandle, DWORD transactionId,
                                std::span<const OPCHANDLE> clientHandles,
                                std::span<const HRESULT> results) noexcept
{
    const size_t count = results.size();
    auto memory = GlobalMemory::allocateFixed(kWriteHeaderBytes + kWriteItemBytes * count);
    GlobalLock locked(memory.get());
    auto* block = locked.as<BYTE>();
    if (!block) return {};
    put<DWORD>(block, 0, static_cast<DWORD>(count));
    put<DWORD>(block, 4, groupHandle);
    put<DWORD>(block, 8, transactionId);
    put<HRESULT>(block, 12, S_OK);
    for (size_t i = 0; i < count; ++i) {
        put<DWORD>(block, kWriteHeaderBytes + kWriteItemBytes * i, clientHandles[i]);
        put<HRESULT>(block, kWriteHeaderBytes + kWriteItemBytes * i + 4, results[i]);
    }
    return memory;
}

} // namespace vetrel
