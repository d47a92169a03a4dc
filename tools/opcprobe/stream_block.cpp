#include "stream_block.h"

#include "platform/bstr.h"
#include "platform/variant.h"

#include <cstring>
#include <string>

namespace opcprobe {
namespace {

constexpr size_t kGroupHeaderBytes = 20;
constexpr size_t kItemHeaderBytes = 20;
// The type word, three reserved words and the 8-byte value field of a VARIANT.
constexpr size_t kVariantBytes = 16;

// The readable part of a block, which never reads past its end.
class BlockReader
{
public:
    explicit BlockReader(std::span<const uint8_t> bytes) noexcept : m_bytes(bytes) {}

    bool holds(uint64_t offset, uint64_t length) const noexcept
    {
        return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
    }
    template <typename T> T at(size_t offset) const noexcept
    {
        T value{};
        std::memcpy(&value, m_bytes.data() + offset, sizeof value);
        return value;
    }
    const uint8_t* data(size_t offset) const noexcept { return m_bytes.data() + offset; }
    BlockReader first(size_t length) const noexcept { return BlockReader(m_bytes.first(length)); }

private:
    std::span<const uint8_t> m_bytes;
};

// The value at offset into entry; false when it does not fit in the block.
bool readValue(const BlockReader& block, size_t offset, CallbackEntry& entry)
{
    if (!block.holds(offset, kVariantBytes)) return false;
    const auto type = block.at<VARTYPE>(offset);
    if (type == VT_BSTR) {
        // The characters follow the structure, after their byte count.
        if (!block.holds(offset + kVariantBytes, sizeof(DWORD))) return false;
        const auto bytes = block.at<DWORD>(offset + kVariantBytes);
        const size_t characters = offset + kVariantBytes + sizeof(DWORD);
        if (bytes % sizeof(OLECHAR) != 0 || !block.holds(characters, bytes)) return false;
        std::basic_string<OLECHAR> text(bytes / sizeof(OLECHAR), OLECHAR{0});
        std::memcpy(text.data(), block.data(characters), bytes);
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = vetrel::Bstr(text).detach();
        entry.value = vetrel::Variant::attach(value);
        return true;
    }
    // A type whose whole value lies in the copied structure owns nothing.
    if (!vetrel::holdsOnlyBits(type)) {
        entry.error = DISP_E_BADVARTYPE;
        return true;
    }
    VARIANT value;
    VariantInit(&value);
    std::memcpy(&value, block.data(offset), kVariantBytes);
    entry.value = vetrel::Variant::attach(value);
    return true;
}

} // namespace

std::optional<DataCallback> readDataTimeBlock(std::span<const uint8_t> bytes)
{
    const BlockReader whole(bytes);
    if (!whole.holds(0, kGroupHeaderBytes)) return std::nullopt;
    // Global memory may be larger than asked for: the block says where it ends.
    const auto size = whole.at<DWORD>(0);
    if (size < kGroupHeaderBytes || !whole.holds(0, size)) return std::nullopt;
    const BlockReader block = whole.first(size);
    const auto count = block.at<DWORD>(4);
    if (!block.holds(kGroupHeaderBytes, uint64_t{count} * kItemHeaderBytes)) return std::nullopt;

    DataCallback change;
    change.group = block.at<OPCHANDLE>(8);
    change.transaction = block.at<DWORD>(12);
    change.masterError = block.at<HRESULT>(16);
    change.entries.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t header = kGroupHeaderBytes + i * kItemHeaderBytes;
        CallbackEntry& entry = change.entries[i];
        entry.clientHandle = block.at<OPCHANDLE>(header);
        entry.quality = block.at<WORD>(header + 8);
        entry.timestamp = block.at<FILETIME>(header + 12);
        if (!readValue(block, block.at<DWORD>(header + 4), entry)) return std::nullopt;
    }
    return change;
}

} // namespace opcprobe
