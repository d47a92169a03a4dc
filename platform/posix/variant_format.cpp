#include "platform/posix/variant_format.h"

#include "platform/posix/decimal96.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vetrel::ole {
namespace {

std::string wholeText(Whole value)
{
    if (value < 0) return "-" + wideDigits(static_cast<Wide>(-value));
    return wideDigits(static_cast<Wide>(value));
}

std::string currencyText(LONGLONG currency)
{
    DECIMAL d =
        makeDecimal(currency < 0, 4, currency < 0 ? Wide(-Whole{currency}) : Wide(currency));
    return decimalText(d);
}

// The significant digits of |value| rounded half away from zero to `count` digits, and the
// power of ten of the first one. The value's exact expansion decides the halves.
std::string roundedDigits(double value, int count, int& exponent)
{
    std::array<char, 1100> exact;
    std::snprintf(exact.data(), exact.size(), "%.*e", 1000, std::fabs(value));
    std::string digits;
    const char* p = exact.data();
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    exponent = std::atoi(p + 1);
    bool up = digits[static_cast<size_t>(count)] >= '5';
    digits.resize(static_cast<size_t>(count));
    if (up) {
        int i = count - 1;
        while (i >= 0 && digits[static_cast<size_t>(i)] == '9')
            digits[static_cast<size_t>(i--)] = '0';
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++exponent;
        } else {
            ++digits[static_cast<size_t>(i)];
        }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return digits;
}

} // namespace

std::string realText(double value, int digits)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    int exponent = 0;
    std::string significant = roundedDigits(value, digits, exponent);
    std::string text = value < 0 ? "-" : "";
    if (exponent < -4 || exponent >= digits) {
        text += significant.substr(0, 1);
        if (significant.size() > 1) text += "." + significant.substr(1);
        std::string power = std::to_string(std::abs(exponent));
        if (power.size() < 2) power.insert(0, "0");
        return text + (exponent < 0 ? "E-" : "E+") + power;
    }
    if (exponent < 0)
        return text + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + significant;
    auto wholeDigits = static_cast<size_t>(exponent + 1);
    if (significant.size() <= wholeDigits)
        return text + significant + std::string(wholeDigits - significant.size(), '0');
    return text + significant.substr(0, wholeDigits) + "." + significant.substr(wholeDigits);
}

std::string numberText(const Number& n, USHORT flags)
{
    switch (n.kind) {
    case Number::Kind::Integer:
        return wholeText(n.integer);
    case Number::Kind::Real:
        return realText(n.real, n.type == VT_R4 ? 7 : 15);
    case Number::Kind::Currency:
        return currencyText(n.currency);
    case Number::Kind::Decimal:
        return decimalText(n.decimal);
    case Number::Kind::Boolean:
        if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) return n.boolean ? "True" : "False";
        return wholeText(n.boolean);
    }
    return {};
}

} // namespace vetrel::ole
