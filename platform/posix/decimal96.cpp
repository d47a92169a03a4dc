#include "platform/posix/decimal96.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <tuple>

namespace vetrel::ole {
namespace {

Wide powerOfFive(int exponent) noexcept
{
    Wide power = 1;
    for (int i = 0; i < exponent; ++i) power *= 5;
    return power;
}

int bitLength(Wide value) noexcept
{
    auto high = static_cast<uint64_t>(value >> 64);
    if (high) return 128 - std::countl_zero(high);
    return 64 - std::countl_zero(static_cast<uint64_t>(value));
}

// value = mantissa * 2^-fractionBits scaled by 10^scale; false when the result reaches limit
// (so the caller stops adding digits). Windows drops the surplus digits of the exact expansion
// one at a time, each rounded half up, so a remainder rounds up once it passes 4/9. A step that
// leaves nothing is not rounded up, though: below one unit, only a remainder that the next digit
// already carries to a whole unit (past 17/18) rounds up.
bool scaledBelow(uint64_t mantissa, int fractionBits, int scale, Wide limit, Wide& result) noexcept
{
    // 10^scale = 5^scale * 2^scale; the 2^scale part only moves the binary point.
    Wide product = Wide{mantissa} * powerOfFive(scale);
    int shift = fractionBits - scale;
    if (shift <= 0) {
        if (bitLength(product) - shift >= bitLength(limit) + 1) return false;
        result = product << -shift;
    } else if (shift >= 128) {
        result = 0;
    } else {
        Wide whole = product >> shift;
        Wide remainder = product - (whole << shift);
        // The remainder must pass numerator/denominator; past the room shift the shifted
        // numerator would not fit 128 bits, and the remainder is far too small anyway.
        auto [numerator, denominator, room] =
            whole ? std::tuple{4u, 9u, 125} : std::tuple{17u, 18u, 123};
        bool up = shift <= room && remainder > (Wide{numerator} << shift) / denominator;
        result = whole + (up ? 1 : 0);
    }
    return result < limit;
}

} // namespace

double powerOfTen(int exponent) noexcept
{
    double power = 1.0;
    for (int i = 0; i < exponent; ++i) power *= 10.0;
    return power;
}

Wide decimalMagnitude(const DECIMAL& d) noexcept
{
    return (Wide{d.Hi32} << 64) | d.Lo64;
}

bool decimalNegative(const DECIMAL& d) noexcept
{
    return d.sign != 0;
}

bool decimalUsable(const DECIMAL& d) noexcept
{
    return d.scale <= kDecimalMaxScale && (d.sign == 0 || d.sign == DECIMAL_NEG);
}

DECIMAL makeDecimal(bool negative, BYTE scale, Wide magnitude) noexcept
{
    DECIMAL d{};
    d.sign = negative ? DECIMAL_NEG : 0;
    d.scale = scale;
    d.Hi32 = static_cast<ULONG>(magnitude >> 64);
    d.Lo64 = static_cast<ULONGLONG>(magnitude);
    return d;
}

double decimalToDouble(const DECIMAL& d) noexcept
{
    double divisor = powerOfTen(d.scale);
    double high = 0.0;
    if (d.Hi32) high = static_cast<double>(d.Hi32) / divisor * 4294967296.0 * 4294967296.0;
    double value = static_cast<double>(d.Lo64) / divisor + high;
    return decimalNegative(d) && value != 0 ? -value : value;
}

DECIMAL decimalWithScale(const DECIMAL& d, BYTE scale) noexcept
{
    if (d.scale <= scale) return d;
    Wide divisor = 1;
    for (int i = scale; i < d.scale; ++i) divisor *= 10;
    Wide magnitude = decimalMagnitude(d);
    Wide kept = magnitude / divisor;
    if (magnitude % divisor >= 5) ++kept;
    return makeDecimal(decimalNegative(d), scale, kept);
}

HRESULT decimalFromBinary(double value, Wide precisionLimit, DECIMAL& out) noexcept
{
    if (std::isnan(value)) return DISP_E_BADVARTYPE;
    if (std::isinf(value)) return DISP_E_OVERFLOW;
    bool negative = value < 0;
    int exponent = 0;
    double fraction = std::frexp(std::fabs(value), &exponent);
    auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
    int fractionBits = 53 - exponent;
    if (mantissa == 0) {
        out = makeDecimal(false, 0, 0);
        return S_OK;
    }
    if (fractionBits <= 0) {
        // A whole number: exact, and one just past 96 bits loses its last digit like Windows.
        if (53 - fractionBits > 97) return DISP_E_OVERFLOW;
        Wide whole = Wide{mantissa} << -fractionBits;
        if (whole > kDecimalMax) {
            whole = whole / 10 * 10;
            if (whole > kDecimalMax) return DISP_E_OVERFLOW;
        }
        out = makeDecimal(negative, 0, whole);
        return S_OK;
    }
    // As many decimals as keep the digits below the source's precision, at most 28.
    Wide digits = 0;
    int scale = 0;
    for (int next = 0; next <= kDecimalMaxScale; ++next) {
        Wide candidate = 0;
        if (!scaledBelow(mantissa, fractionBits, next, precisionLimit, candidate)) {
            if (next == 0) digits = candidate;
            break;
        }
        digits = candidate;
        scale = next;
    }
    while (scale > 0 && digits % 10 == 0) {
        digits /= 10;
        --scale;
    }
    // A negative value too small for 28 decimals keeps its sign on the zero.
    if (digits == 0) scale = 0;
    out = makeDecimal(negative, static_cast<BYTE>(scale), digits);
    return S_OK;
}

std::string wideDigits(Wide value)
{
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value);
    return text;
}

std::string decimalText(const DECIMAL& d)
{
    Wide magnitude = decimalMagnitude(d);
    std::string digits = wideDigits(magnitude);
    size_t scale = d.scale;
    if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - scale);
    std::string fraction = digits.substr(digits.size() - scale);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string text = (decimalNegative(d) && magnitude != 0) ? "-" + whole : whole;
    return fraction.empty() ? text : text + "." + fraction;
}

} // namespace vetrel::ole
