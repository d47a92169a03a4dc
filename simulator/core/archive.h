// The archive of configuration files: little-endian 32-bit values, raw float bits and
// length-prefixed 8-bit strings, byte for byte as the document framework lays them out.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace moxlan {

// Marks of the length prefix: a first byte of 255 announces a 16-bit length, whose value 0xFFFE
// announces wide text and 0xFFFF a 32-bit length.
constexpr std::uint8_t kLongLength8 = 0xFF;
constexpr std::uint16_t kWideMark = 0xFFFE;
constexpr std::uint16_t kLongLength16 = 0xFFFF;

// The bytes end before what the archive was asked to read, or announce a length that cannot be.
class ArchiveError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class CArchiveWriter
{
public:
    void writeByte(std::uint8_t value);
    void writeUInt16(std::uint16_t value);
    void writeUInt32(std::uint32_t value);
    void writeInt32(std::int32_t value);
    void writeFloat(float value);
    // The length in its shortest form (one byte, 255 + 16 bits, or 255 + 0xFFFF + 32 bits),
    // then the characters without a terminator.
    void writeString(std::string_view text);

    const std::string& bytes() const noexcept { return m_bytes; }

private:
    std::string m_bytes;
};

class CArchiveReader
{
public:
    // The reader only looks at the bytes: they must outlive it.
    explicit CArchiveReader(std::string_view bytes) noexcept : m_bytes(bytes) {}
    explicit CArchiveReader(std::string&&) = delete;

    std::uint8_t readByte();
    std::uint16_t readUInt16();
    std::uint32_t readUInt32();
    std::int32_t readInt32();
    float readFloat();
    // Reads every length form, and the wide form that a 16-bit 0xFFFE announces: its 16-bit
    // characters come back converted to 8-bit text through the ANSI code page.
    std::string readString();

    size_t position() const noexcept { return m_position; }
    size_t remaining() const noexcept { return m_bytes.size() - m_position; }

private:
    // The next count bytes, checked against the end before anything is allocated.
    std::string_view take(std::uint64_t count);
    // A length in the framework's forms; wide is set when the 0xFFFE mark came first.
    std::uint32_t readLength(bool& wide);

    std::string_view m_bytes;
    size_t m_position = 0;
};

} // namespace moxlan
