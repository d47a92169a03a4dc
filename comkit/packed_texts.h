// Texts fixed when their owner is made, for records kept by the million (tags, items).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace vetrel {

// Count texts packed in one heap block after their lengths, so that their owner spends one
// pointer on them instead of a string object each. All-empty texts take no block.
template <std::size_t Count> class PackedTexts
{
public:
    PackedTexts() noexcept = default;
    // Throws std::bad_alloc, or std::length_error for texts of 4 GiB or more together.
    explicit PackedTexts(const std::array<std::string_view, Count>& texts)
    {
        std::size_t total = 0;
        for (std::string_view text : texts) total += text.size();
        if (total == 0) return;
        if (total > std::numeric_limits<Length>::max()) throw std::length_error("packed texts");
        m_block = std::make_unique_for_overwrite<char[]>(kHeader + total);
        char* next = m_block.get() + kHeader;
        for (std::size_t i = 0; i < Count; ++i) {
            const auto length = static_cast<Length>(texts[i].size());
            std::memcpy(m_block.get() + i * sizeof length, &length, sizeof length);
            if (length != 0) std::memcpy(next, texts[i].data(), length);
            next += length;
        }
    }
    PackedTexts(PackedTexts&&) noexcept = default;
    PackedTexts& operator=(PackedTexts&&) noexcept = default;
    // Throws std::bad_alloc.
    PackedTexts(const PackedTexts& other) : PackedTexts(other.all()) {}
    PackedTexts& operator=(const PackedTexts& other)
    {
        if (this != &other) *this = PackedTexts(other.all());
        return *this;
    }

    std::string_view operator[](std::size_t index) const noexcept
    {
        if (!m_block) return {};
        std::size_t offset = kHeader;
        for (std::size_t i = 0; i < index; ++i) offset += lengthOf(i);
        return {m_block.get() + offset, lengthOf(index)};
    }

private:
    using Length = std::uint32_t;
    static constexpr std::size_t kHeader = Count * sizeof(Length);

    Length lengthOf(std::size_t index) const noexcept
    {
        Length length = 0;
        std::memcpy(&length, m_block.get() + index * sizeof length, sizeof length);
        return length;
    }
    std::array<std::string_view, Count> all() const noexcept
    {
        std::array<std::string_view, Count> texts;
        for (std::size_t i = 0; i < Count; ++i) texts[i] = (*this)[i];
        return texts;
    }

    std::unique_ptr<char[]> m_block;
};

} // namespace vetrel
