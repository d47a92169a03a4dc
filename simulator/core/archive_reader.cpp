#include "simulator/core/archive.h"
#include "vetrel/com.h"

#include <bit>
#include <climits>
#include <vector>

namespace moxlan {

namespace {

// 16-bit characters to 8-bit text; characters the code page lacks become its default character.
std::string narrowed(std::string_view littleEndianUnits)
{
    std::vector<WCHAR> units(littleEndianUnits.size() / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<WCHAR>(static_cast<std::uint8_t>(littleEndianUnits[2 * i]) |
                                      static_cast<std::uint8_t>(littleEndianUnits[2 * i + 1]) << 8);
    if (units.empty()) return {};
    if (units.size() > INT_MAX) throw ArchiveError("wide string too long");
    const int count = static_cast<int>(units.size());
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, units.data(), count, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) throw ArchiveError("wide string does not convert");
    std::string text(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, units.data(), count, text.data(), needed, nullptr, nullptr);
    return text;
}

} // namespace

std::string_view CArchiveReader::take(std::uint64_t count)
{
    if (count > remaining()) throw ArchiveError("unexpected end of file");
    const std::string_view taken = m_bytes.substr(m_position, static_cast<size_t>(count));
    m_position += static_cast<size_t>(count);
    return taken;
}

std::uint8_t CArchiveReader::readByte()
{
    return static_cast<std::uint8_t>(take(1)[0]);
}

std::uint16_t CArchiveReader::readUInt16()
{
    const std::string_view bytes = take(2);
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[0]) |
                                      static_cast<std::uint8_t>(bytes[1]) << 8);
}

std::uint32_t CArchiveReader::readUInt32()
{
    const std::uint32_t low = readUInt16();
    return low | static_cast<std::uint32_t>(readUInt16()) << 16;
}

std::int32_t CArchiveReader::readInt32()
{
    return static_cast<std::int32_t>(readUInt32());
}

float CArchiveReader::readFloat()
{
    return std::bit_cast<float>(readUInt32());
}

std::uint32_t CArchiveReader::readLength(bool& wide)
{
    const std::uint8_t shortLength = readByte();
    if (shortLength < kLongLength8) return shortLength;
    const std::uint16_t mediumLength = readUInt16();
    if (mediumLength == kWideMark) {
        // Only one mark may come first: a second one announces no length at all.
        if (wide) throw ArchiveError("string length marked wide twice");
        wide = true;
        return readLength(wide);
    }
    if (mediumLength < kLongLength16) return mediumLength;
    return readUInt32();
}

std::string CArchiveReader::readString()
{
    bool wide = false;
    const std::uint32_t length = readLength(wide);
    if (wide) return narrowed(take(std::uint64_t{length} * 2));
    return std::string(take(length));
}

} // namespace moxlan
