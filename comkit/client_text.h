// Text crossing the client boundary: clients speak UTF-16, the runtime keeps 8-bit text.
#pragma once

#include "vetrel/com.h"

#include <string>
#include <string_view>

namespace vetrel {

// A client's wide text in the ANSI code page; an absent text is empty. Throws std::bad_alloc.
std::string fromClientText(LPCWSTR text);

// 8-bit text widened one byte to one 16-bit unit, without code-page conversion, into task
// memory the client frees; null when the allocator refuses.
LPWSTR toClientText(std::string_view text) noexcept;

} // namespace vetrel
