#include "simulator/core/archive.h"

#include <bit>

namespace moxlan {

void CArchiveWriter::writeByte(std::uint8_t value)
{
    m_bytes.push_back(static_cast<char>(value));
}

void CArchiveWriter::writeUInt16(std::uint16_t value)
{
    writeByte(static_cast<std::uint8_t>(value));
    writeByte(static_cast<std::uint8_t>(value >> 8));
}

void CArchiveWriter::writeUInt32(std::uint32_t value)
{
    writeUInt16(static_cast<std::uint16_t>(value));
    writeUInt16(static_cast<std::uint16_t>(value >> 16));
}

void CArchiveWriter::writeInt32(std::int32_t value)
{
    writeUInt32(static_cast<std::uint32_t>(value));
}

void CArchiveWriter::writeFloat(float value)
{
    writeUInt32(std::bit_cast<std::uint32_t>(value));
}

void CArchiveWriter::writeString(std::string_view text)
{
    const size_t length = text.size();
    if (length < kLongLength8) {
        writeByte(static_cast<std::uint8_t>(length));
    } else if (length < kWideMark) {
        writeByte(kLongLength8);
        writeUInt16(static_cast<std::uint16_t>(length));
    } else {
        if (length > UINT32_MAX) throw ArchiveError("string too long for the archive");
        writeByte(kLongLength8);
        writeUInt16(kLongLength16);
        writeUInt32(static_cast<std::uint32_t>(length));
    }
    m_bytes.append(text);
}

} // namespace moxlan
