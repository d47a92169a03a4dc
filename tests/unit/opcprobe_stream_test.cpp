// What opcprobe makes of the OPC 1.0 data blocks a group sends to its advise sink: the values
// of well-formed blocks, and nothing at all from blocks that point outside themselves.
#include "platform/global_lock.h"
#include "platform/global_memory.h"
#include "stream_block.h"
#include "stream_sink.h"
#include "watch_lines.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace opcprobe;

// A block built field by field, as a server lays it out.
class Block
{
public:
    template <typename T> void put(size_t offset, T value)
    {
        if (m_bytes.size() < offset + sizeof value) m_bytes.resize(offset + sizeof value);
        std::memcpy(m_bytes.data() + offset, &value, sizeof value);
    }
    void header(DWORD count, OPCHANDLE group, DWORD transaction)
    {
        put<DWORD>(4, count);
        put<DWORD>(8, group);
        put<DWORD>(12, transaction);
        put<HRESULT>(16, S_OK);
    }
    void item(size_t index, OPCHANDLE client, DWORD valueOffset, WORD quality, FILETIME time)
    {
        const size_t at = 20 + 20 * index;
        put<DWORD>(at, client);
        put<DWORD>(at + 4, valueOffset);
        put<WORD>(at + 8, quality);
        put<WORD>(at + 10, 0);
        put<FILETIME>(at + 12, time);
    }
    // The 16 bytes of a value: its type and its 8-byte field.
    template <typename T> void value(size_t offset, VARTYPE type, T field)
    {
        put<uint64_t>(offset + 8, 0);
        put<VARTYPE>(offset, type);
        put<T>(offset + 8, field);
    }
    void text(size_t offset, const std::u16string& characters)
    {
        value<uint64_t>(offset, VT_BSTR, 0xDEADBEEF); // a pointer of the sender: never read
        const auto bytes = static_cast<DWORD>(characters.size() * 2);
        put<DWORD>(offset + 16, bytes);
        for (size_t i = 0; i < characters.size(); ++i)
            put<char16_t>(offset + 20 + 2 * i, characters[i]);
        put<char16_t>(offset + 20 + bytes, 0);
    }
    // Sets the size field to the bytes written so far.
    std::vector<uint8_t> sealed()
    {
        put<DWORD>(0, static_cast<DWORD>(m_bytes.size()));
        return m_bytes;
    }

private:
    std::vector<uint8_t> m_bytes;
};

constexpr FILETIME kTime{0x11223344, 0x01D9AABB};

// Two items: an integer at offset 60 and a text at offset 76.
std::vector<uint8_t> twoItemBlock()
{
    Block block;
    block.header(2, 7, 0);
    block.item(0, 1, 60, OPC_QUALITY_GOOD, kTime);
    block.item(1, 0, 76, OPC_QUALITY_BAD, FILETIME{1, 2});
    block.value<LONG>(60, VT_I4, -42);
    block.text(76, u"Tank A");
    return block.sealed();
}

TEST(StreamBlock, AWellFormedBlockGivesEveryItemWithItsValueQualityAndTime)
{
    const std::optional<DataCallback> change = readDataTimeBlock(twoItemBlock());
    ASSERT_TRUE(change);
    EXPECT_EQ(change->kind, DataCallback::Kind::DataChange);
    EXPECT_EQ(change->group, 7u);
    EXPECT_EQ(change->transaction, 0u);
    ASSERT_EQ(change->entries.size(), 2u);

    const CallbackEntry& number = change->entries[0];
    EXPECT_EQ(number.clientHandle, 1u);
    EXPECT_EQ(number.quality, OPC_QUALITY_GOOD);
    EXPECT_EQ(number.timestamp.dwLowDateTime, kTime.dwLowDateTime);
    EXPECT_EQ(number.timestamp.dwHighDateTime, kTime.dwHighDateTime);
    EXPECT_EQ(number.error, S_OK);
    ASSERT_EQ(number.value.type(), VT_I4);
    EXPECT_EQ(number.value.get().lVal, -42);

    const CallbackEntry& text = change->entries[1];
    EXPECT_EQ(text.clientHandle, 0u);
    EXPECT_EQ(text.quality, OPC_QUALITY_BAD);
    ASSERT_EQ(text.value.type(), VT_BSTR);
    const std::basic_string<OLECHAR> expected = {'T', 'a', 'n', 'k', ' ', 'A'};
    EXPECT_EQ(std::basic_string<OLECHAR>(text.value.get().bstrVal,
                                         SysStringLen(text.value.get().bstrVal)),
              expected);

    // The lines are the ones a 2.0 watch prints for the same change.
    const std::vector<std::string> lines = dataChangeLines(*change, {"Text", "Number"}, false);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Number = -42", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("Text = ", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("Tank A"), std::string::npos) << lines[1];
}

TEST(StreamBlock, TheSizeFieldBoundsTheBlockAndValuesThatCannotTravelAreMarked)
{
    // Global memory may come larger than the block it holds.
    std::vector<uint8_t> padded = twoItemBlock();
    padded.resize(padded.size() + 13, 0xCC);
    ASSERT_TRUE(readDataTimeBlock(padded));

    Block block;
    block.header(2, 1, 0);
    block.item(0, 0, 60, OPC_QUALITY_GOOD, kTime);
    block.item(1, 1, 76, OPC_QUALITY_GOOD, kTime);
    block.value<uint64_t>(60, VT_ARRAY | VT_R4, 0x1234);
    block.value<uint64_t>(76, VT_DISPATCH, 0x5678);
    const std::optional<DataCallback> change = readDataTimeBlock(block.sealed());
    ASSERT_TRUE(change);
    ASSERT_EQ(change->entries.size(), 2u);
    for (const CallbackEntry& entry : change->entries) {
        EXPECT_EQ(entry.error, DISP_E_BADVARTYPE);
        EXPECT_EQ(entry.value.type(), VT_EMPTY) << "a sender's pointer is never taken";
    }

    Block empty;
    empty.header(0, 3, 0);
    const std::optional<DataCallback> none = readDataTimeBlock(empty.sealed());
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->entries.empty());
}

TEST(StreamBlock, MalformedBlocksGiveNothing)
{
    const std::vector<uint8_t> good = twoItemBlock();
    EXPECT_FALSE(readDataTimeBlock({}));
    EXPECT_FALSE(readDataTimeBlock(std::span(good).first(19))) << "shorter than its header";
    EXPECT_FALSE(readDataTimeBlock(std::span(good).first(good.size() - 1)))
        << "shorter than its size field says";

    const auto changed = [&good](size_t offset, DWORD field) {
        std::vector<uint8_t> bytes = good;
        std::memcpy(bytes.data() + offset, &field, sizeof field);
        return bytes;
    };
    EXPECT_FALSE(readDataTimeBlock(changed(0, 8))) << "a size smaller than the header";
    EXPECT_FALSE(readDataTimeBlock(changed(4, 5))) << "more item headers than fit";
    EXPECT_FALSE(readDataTimeBlock(changed(4, 0xFFFFFFFF))) << "a count that overflows";
    EXPECT_FALSE(readDataTimeBlock(changed(24, static_cast<DWORD>(good.size()) - 15)))
        << "a value that runs past the end";
    EXPECT_FALSE(readDataTimeBlock(changed(24, 0xFFFFFFF8))) << "an offset far outside";
    EXPECT_FALSE(readDataTimeBlock(changed(76 + 16, 1000))) << "text longer than the block";
    EXPECT_FALSE(readDataTimeBlock(changed(76 + 16, 3))) << "text of an odd byte count";

    // A text whose length word itself lies past the end.
    Block cut;
    cut.header(1, 1, 0);
    cut.item(0, 0, 40, OPC_QUALITY_GOOD, kTime);
    cut.put<VARTYPE>(40, VT_BSTR);
    cut.put<uint64_t>(48, 0);
    EXPECT_FALSE(readDataTimeBlock(cut.sealed()));
}

// Hands a block to the sink in global memory, as COM delivers it.
void deliver(IAdviseSink* sink, CLIPFORMAT format, const std::vector<uint8_t>& bytes)
{
    auto memory = vetrel::GlobalMemory::allocateFixed(bytes.size());
    {
        vetrel::GlobalLock locked(memory.get());
        ASSERT_TRUE(locked);
        std::memcpy(locked.get(), bytes.data(), bytes.size());
    }
    FORMATETC formatEtc{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = memory.get();
    sink->OnDataChange(&formatEtc, &medium);
}

TEST(StreamSink, HandsOnEveryWellFormedDataTimeBlockAndSkipsTheRest)
{
    std::vector<DataCallback> received;
    const auto sink = StreamSink::create(
        [&received](DataCallback change) { received.push_back(std::move(change)); });

    deliver(sink.get(), dataTimeFormat(), twoItemBlock());
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].entries.size(), 2u);

    const auto otherFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("OPCSTMFORMATDATA"));
    ASSERT_NE(otherFormat, dataTimeFormat());
    deliver(sink.get(), otherFormat, twoItemBlock());
    std::vector<uint8_t> truncated = twoItemBlock();
    truncated.resize(truncated.size() - 4);
    deliver(sink.get(), dataTimeFormat(), truncated);
    sink->OnDataChange(nullptr, nullptr);
    FORMATETC formatEtc{dataTimeFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM stream{};
    stream.tymed = TYMED_ISTREAM;
    sink->OnDataChange(&formatEtc, &stream);
    EXPECT_EQ(received.size(), 1u) << "other formats, media and broken blocks are skipped";
}

} // namespace
