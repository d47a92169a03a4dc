// DECIMAL arithmetic the conversions need: a 96-bit magnitude, a power-of-ten scale and a sign,
// worked on through 128-bit integers.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace vetrel::ole {

using Wide = unsigned __int128;

constexpr Wide kDecimalMax = (Wide{1} << 96) - 1;
constexpr BYTE kDecimalMaxScale = 28;

Wide decimalMagnitude(const DECIMAL& d) noexcept;
bool decimalNegative(const DECIMAL& d) noexcept;
// A scale past 28 or a sign byte other than 0 and 0x80 makes a DECIMAL unusable as a number.
bool decimalUsable(const DECIMAL& d) noexcept;
DECIMAL makeDecimal(bool negative, BYTE scale, Wide magnitude) noexcept;

// 10^exponent by repeated multiplication: exact up to 10^22.
double powerOfTen(int exponent) noexcept;

// The value cut to `scale` decimals (a smaller scale is kept as it is). Windows rounds the last
// kept digit up, away from zero, whenever the dropped digits read as a whole number reach 5: to
// four decimals 1.23451 stays 1.2345, but 1.2345005 becomes 1.2346 and 0.00000005 becomes 0.0001.
DECIMAL decimalWithScale(const DECIMAL& d, BYTE scale) noexcept;

// The value as a double, computed the way Windows does (the low 64 bits and the high 32 bits
// each divided by the power of ten), so the last bit agrees too.
double decimalToDouble(const DECIMAL& d) noexcept;

// A binary floating-point value as a DECIMAL: integers exactly, fractions rounded to the
// digits that stay below precisionLimit (2^53 for doubles, 2^24 for floats).
// DISP_E_OVERFLOW past the DECIMAL range, DISP_E_BADVARTYPE for NaN.
HRESULT decimalFromBinary(double value, Wide precisionLimit, DECIMAL& out) noexcept;

// Digits of the value with the scale's decimal point, trailing fraction zeros dropped.
std::string decimalText(const DECIMAL& d);

std::string wideDigits(Wide value);

} // namespace vetrel::ole
