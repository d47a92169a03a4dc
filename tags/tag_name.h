// The full name of a tag or branch, fixed when the node is made.
#pragma once

#include <memory>
#include <string_view>

namespace vetrel {

// One heap block holding the length and the characters, so that a node spends one pointer on
// its name instead of a string object.
class TagName
{
public:
    TagName() noexcept = default;
    // Throws std::bad_alloc, or std::length_error for a name of 4 GiB or more.
    explicit TagName(std::string_view text);

    std::string_view view() const noexcept;

private:
    std::unique_ptr<char[]> m_block;
};

} // namespace vetrel
