#include "tags/tag_name.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace vetrel {

TagName::TagName(std::string_view text)
{
    if (text.empty()) return;
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("tag name");
    const auto length = static_cast<std::uint32_t>(text.size());
    m_block = std::make_unique_for_overwrite<char[]>(sizeof length + text.size());
    std::memcpy(m_block.get(), &length, sizeof length);
    std::memcpy(m_block.get() + sizeof length, text.data(), text.size());
}

std::string_view TagName::view() const noexcept
{
    if (!m_block) return {};
    std::uint32_t length = 0;
    std::memcpy(&length, m_block.get(), sizeof length);
    return {m_block.get() + sizeof length, length};
}

} // namespace vetrel
