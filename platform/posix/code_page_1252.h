// Windows-1252 character tables, shared by the code page conversions.
#pragma once

namespace vetrel::posix {

// The character a Windows-1252 byte stands for; every byte has one.
char16_t decode1252(unsigned char byte) noexcept;

// The byte for a UTF-16 unit, its best-fit substitute when allowed, or -1 when there is none.
int encode1252(char16_t character, bool bestFit) noexcept;

} // namespace vetrel::posix
