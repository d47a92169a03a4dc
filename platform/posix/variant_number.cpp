#include "platform/posix/variant_number.h"

#include "platform/posix/decimal96.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace vetrel::ole {
namespace {

constexpr double kTwoTo62 = 4611686018427387904.0;
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;
constexpr double kDateLowest = -657435.0;  // exclusive: one day before 0100-01-01
constexpr double kDateHighest = 2958466.0; // exclusive: one day after 9999-12-31
constexpr BYTE kCurrencyScale = 4;

struct Range
{
    Whole lowest;
    Whole highest;
};

Range rangeOf(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
        return {INT8_MIN, INT8_MAX};
    case VT_UI1:
        return {0, UINT8_MAX};
    case VT_I2:
        return {INT16_MIN, INT16_MAX};
    case VT_UI2:
        return {0, UINT16_MAX};
    case VT_I4:
    case VT_INT:
        return {INT32_MIN, INT32_MAX};
    case VT_UI4:
    case VT_UINT:
        return {0, UINT32_MAX};
    case VT_I8:
        return {INT64_MIN, INT64_MAX};
    default:
        return {0, UINT64_MAX};
    }
}

// What a NaN becomes: Windows converts it as the processor's truncation does, then takes one
// off for the rounding step, so each width lands on its own value.
Whole nanInteger(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
    case VT_I2:
        return -1;
    case VT_UI1:
        return UINT8_MAX;
    case VT_UI2:
        return UINT16_MAX;
    case VT_I4:
    case VT_INT:
        return INT32_MAX;
    case VT_UI4:
    case VT_UINT:
        return UINT32_MAX;
    default:
        return INT64_MAX;
    }
}

bool realFits(double x, VARTYPE vt) noexcept
{
    // The eight-byte types keep Windows' own limits.
    if (vt == VT_I8) return x >= -kTwoTo62 && x < kTwoTo62;
    if (vt == VT_UI8) return x >= -0.5 && x < kTwoTo64;
    Range range = rangeOf(vt);
    return x >= static_cast<double>(range.lowest) - 0.5 &&
           x < static_cast<double>(range.highest) + 0.5;
}

double currencyToDouble(LONGLONG currency) noexcept
{
    return static_cast<double>(currency) / 10000.0;
}

// Currency to a whole number in eight bytes, exactly: rounded half to even, except that Windows
// gives an I8 one lower than the truncated quotient for every negative amount.
Whole currencyToWhole(LONGLONG currency, VARTYPE target) noexcept
{
    Whole quotient = currency / 10000;
    Whole remainder = currency % 10000;
    if (target == VT_I8 && currency < 0) return quotient - 1;
    Whole magnitude = remainder < 0 ? -remainder : remainder;
    if (magnitude > 5000 || (magnitude == 5000 && (quotient & 1)))
        quotient += currency < 0 ? -1 : 1;
    return quotient;
}

int widthOf(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
        return 4;
    default:
        return 8;
    }
}

bool isSigned(VARTYPE vt) noexcept
{
    return vt == VT_I1 || vt == VT_I2 || vt == VT_I4 || vt == VT_INT || vt == VT_I8;
}

// Windows reinterprets the bits between the signed and unsigned types of one width, and lets
// an I8 reach UI2 when it fits four bytes; every other pair is range-checked.
HRESULT integerToInteger(const Number& n, VARTYPE target, Whole& result) noexcept
{
    result = n.integer;
    if (widthOf(n.type) == widthOf(target) && isSigned(n.type) != isSigned(target)) return S_OK;
    if (n.type == VT_I8 && target == VT_UI2)
        return result < 0 || result > UINT32_MAX ? DISP_E_OVERFLOW : S_OK;
    return fitInteger(result, target);
}

HRESULT toInteger(const Number& n, VARTYPE target, Whole& result) noexcept
{
    switch (n.kind) {
    case Number::Kind::Integer:
        return integerToInteger(n, target, result);
    case Number::Kind::Boolean:
        result = n.boolean;
        return S_OK; // wraps, like a C cast
    case Number::Kind::Real:
        return realToInteger(n.real, target, result);
    case Number::Kind::Currency:
        if (target == VT_I8 || target == VT_UI8) {
            result = currencyToWhole(n.currency, target);
            return fitInteger(result, target);
        }
        return realToInteger(currencyToDouble(n.currency), target, result);
    case Number::Kind::Decimal: {
        const DECIMAL& d = n.decimal;
        if (!decimalUsable(d)) return E_INVALIDARG;
        if (d.scale == 0) {
            Wide magnitude = decimalMagnitude(d);
            if (target == VT_UI8 && decimalNegative(d)) return DISP_E_OVERFLOW;
            if (magnitude > (target == VT_UI8 ? UINT64_MAX : INT64_MAX)) return DISP_E_OVERFLOW;
            result = decimalNegative(d) ? -Whole(magnitude) : Whole(magnitude);
            return fitInteger(result, target);
        }
        VARTYPE via = target == VT_UI8 ? VT_UI8 : VT_I8;
        HRESULT hr = realToInteger(decimalToDouble(d), via, result);
        return FAILED(hr) ? hr : fitInteger(result, target);
    }
    }
    return DISP_E_TYPEMISMATCH;
}

double toDouble(const Number& n) noexcept
{
    switch (n.kind) {
    case Number::Kind::Integer:
        return static_cast<double>(n.integer);
    case Number::Kind::Boolean:
        return n.boolean;
    case Number::Kind::Real:
        return n.real;
    case Number::Kind::Currency:
        return currencyToDouble(n.currency);
    case Number::Kind::Decimal:
        return decimalToDouble(n.decimal);
    }
    return 0.0;
}

HRESULT toFloat(const Number& n, FLOAT& result) noexcept
{
    switch (n.kind) {
    case Number::Kind::Integer:
        result = static_cast<FLOAT>(n.integer);
        return S_OK;
    case Number::Kind::Real:
        if (n.type == VT_R4) {
            result = static_cast<FLOAT>(n.real);
            return S_OK;
        }
        return realToFloat(n.real, result);
    default:
        result = static_cast<FLOAT>(toDouble(n));
        return S_OK;
    }
}

HRESULT toDate(const Number& n, DATE& result) noexcept
{
    result = toDouble(n);
    // Currency, decimal and R4 amounts are taken as they are; other numbers must name a day
    // between the years 100 and 9999.
    if (n.kind == Number::Kind::Currency || n.kind == Number::Kind::Decimal || n.type == VT_R4)
        return S_OK;
    if (result <= kDateLowest || result >= kDateHighest) return DISP_E_OVERFLOW;
    return S_OK;
}

HRESULT toCurrency(const Number& n, LONGLONG& result) noexcept
{
    switch (n.kind) {
    case Number::Kind::Integer: {
        // Windows refuses the last whole currency unit at either end of the range.
        constexpr Whole kLimit = INT64_MAX / 10000;
        if (n.integer > kLimit || n.integer < -kLimit || (n.type == VT_I8 && n.integer == kLimit))
            return DISP_E_OVERFLOW;
        result = static_cast<LONGLONG>(n.integer * 10000);
        return S_OK;
    }
    case Number::Kind::Boolean:
        result = LONGLONG{n.boolean} * 10000;
        return S_OK;
    case Number::Kind::Currency:
        result = n.currency;
        return S_OK;
    case Number::Kind::Decimal:
        // Rounded to the currency's four decimals first, then taken through the double.
        return realToCurrency(decimalToDouble(decimalWithScale(n.decimal, kCurrencyScale)), result);
    default:
        return realToCurrency(toDouble(n), result);
    }
}

HRESULT toDecimal(const Number& n, DECIMAL& result) noexcept
{
    switch (n.kind) {
    case Number::Kind::Integer:
        result = makeDecimal(n.integer < 0, 0,
                             static_cast<Wide>(n.integer < 0 ? -n.integer : n.integer));
        return S_OK;
    // Windows gives +1 for every true value, whatever its bits.
    case Number::Kind::Boolean:
        result = makeDecimal(false, 0, n.boolean ? 1 : 0);
        return S_OK;
    case Number::Kind::Currency: {
        bool negative = n.currency < 0;
        Wide magnitude = negative ? Wide(-(Whole{n.currency})) : Wide(n.currency);
        result = makeDecimal(negative, kCurrencyScale, magnitude);
        return S_OK;
    }
    case Number::Kind::Decimal:
        result = n.decimal;
        return S_OK;
    case Number::Kind::Real:
        return decimalFromBinary(n.real, Wide{1} << (n.type == VT_R4 ? 24 : 53), result);
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT toBoolean(const Number& n, VARIANT_BOOL& result) noexcept
{
    bool truth = false;
    switch (n.kind) {
    case Number::Kind::Integer:
        truth = n.integer != 0;
        break;
    case Number::Kind::Boolean:
        result = n.boolean;
        return S_OK;
    case Number::Kind::Real:
        truth = n.real != 0.0;
        break;
    case Number::Kind::Currency:
        truth = n.currency != 0;
        break;
    case Number::Kind::Decimal:
        if (!decimalUsable(n.decimal)) return E_INVALIDARG;
        truth = decimalMagnitude(n.decimal) != 0;
        break;
    }
    result = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

} // namespace

bool isIntegerType(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

bool isNumericType(VARTYPE vt) noexcept
{
    return isIntegerType(vt) || vt == VT_R4 || vt == VT_R8 || vt == VT_DATE || vt == VT_CY ||
           vt == VT_DECIMAL || vt == VT_BOOL;
}

Number numberOf(const VARIANT& v) noexcept
{
    Number n;
    n.type = V_VT(&v);
    switch (n.type) {
    case VT_I1:
        n.integer = V_I1(&v);
        break;
    case VT_UI1:
        n.integer = V_UI1(&v);
        break;
    case VT_I2:
        n.integer = V_I2(&v);
        break;
    case VT_UI2:
        n.integer = V_UI2(&v);
        break;
    case VT_I4:
        n.integer = V_I4(&v);
        break;
    case VT_UI4:
        n.integer = V_UI4(&v);
        break;
    case VT_I8:
        n.integer = V_I8(&v);
        break;
    case VT_UI8:
        n.integer = V_UI8(&v);
        break;
    case VT_INT:
        n.integer = V_INT(&v);
        break;
    case VT_UINT:
        n.integer = V_UINT(&v);
        break;
    case VT_R4:
        n.kind = Number::Kind::Real;
        n.real = V_R4(&v);
        break;
    case VT_R8:
        n.kind = Number::Kind::Real;
        n.real = V_R8(&v);
        break;
    case VT_DATE:
        n.kind = Number::Kind::Real;
        n.real = V_DATE(&v);
        break;
    case VT_CY:
        n.kind = Number::Kind::Currency;
        n.currency = V_CY(&v).int64;
        break;
    case VT_DECIMAL:
        n.kind = Number::Kind::Decimal;
        n.decimal = V_DECIMAL(&v);
        break;
    default:
        n.kind = Number::Kind::Boolean;
        n.boolean = V_BOOL(&v);
        break;
    }
    return n;
}

HRESULT fitInteger(Whole value, VARTYPE target) noexcept
{
    Range range = rangeOf(target);
    return value < range.lowest || value > range.highest ? DISP_E_OVERFLOW : S_OK;
}

void storeInteger(Whole value, VARTYPE target, VARIANT& out) noexcept
{
    switch (target) {
    case VT_I1:
        V_I1(&out) = static_cast<CHAR>(value);
        break;
    case VT_UI1:
        V_UI1(&out) = static_cast<BYTE>(value);
        break;
    case VT_I2:
        V_I2(&out) = static_cast<SHORT>(value);
        break;
    case VT_UI2:
        V_UI2(&out) = static_cast<USHORT>(value);
        break;
    case VT_I4:
        V_I4(&out) = static_cast<LONG>(value);
        break;
    case VT_UI4:
        V_UI4(&out) = static_cast<ULONG>(value);
        break;
    case VT_INT:
        V_INT(&out) = static_cast<INT>(value);
        break;
    case VT_UINT:
        V_UINT(&out) = static_cast<UINT>(value);
        break;
    case VT_I8:
        V_I8(&out) = static_cast<LONGLONG>(value);
        break;
    default:
        V_UI8(&out) = static_cast<ULONGLONG>(value);
        break;
    }
    V_VT(&out) = target;
}

HRESULT realToInteger(double x, VARTYPE target, Whole& result) noexcept
{
    if (std::isnan(x)) {
        result = nanInteger(target);
        return S_OK;
    }
    if (!realFits(x, target)) return DISP_E_OVERFLOW;
    // The default rounding mode rounds halves to even: banker's rounding.
    double rounded = std::nearbyint(x);
    result = rounded < 0 ? Whole(static_cast<LONGLONG>(rounded))
                         : Whole(static_cast<ULONGLONG>(rounded));
    return S_OK;
}

HRESULT realToCurrency(double x, LONGLONG& result) noexcept
{
    // Windows scales in the processor's extended precision, which decides halves like
    // 0.00005 * 10000 upwards.
    long double scaled = static_cast<long double>(x) * 10000.0L;
    if (!(scaled >= -kTwoTo63 && scaled < kTwoTo63)) return DISP_E_OVERFLOW;
    result = static_cast<LONGLONG>(std::nearbyint(scaled));
    return S_OK;
}

HRESULT realToFloat(double x, FLOAT& result) noexcept
{
    // Overflow only where rounding to a float would give infinity; a little past FLT_MAX
    // still rounds to it.
    constexpr double kFirstInfinite = 0x1.ffffffp+127;
    if (std::fabs(x) >= kFirstInfinite) return DISP_E_OVERFLOW;
    result = std::fabs(x) > FLT_MAX ? (x > 0 ? FLT_MAX : -FLT_MAX) : static_cast<FLOAT>(x);
    return S_OK;
}

HRESULT convertNumber(const Number& n, VARTYPE target, VARIANT& out) noexcept
{
    HRESULT hr = S_OK;
    if (isIntegerType(target)) {
        Whole value = 0;
        hr = toInteger(n, target, value);
        if (SUCCEEDED(hr)) storeInteger(value, target, out);
        return hr;
    }
    if (n.kind == Number::Kind::Decimal && target != VT_DECIMAL && !decimalUsable(n.decimal))
        return E_INVALIDARG;
    switch (target) {
    case VT_R4:
        hr = toFloat(n, V_R4(&out));
        break;
    case VT_R8:
        V_R8(&out) = toDouble(n);
        break;
    case VT_DATE:
        hr = toDate(n, V_DATE(&out));
        break;
    case VT_CY:
        hr = toCurrency(n, V_CY(&out).int64);
        break;
    case VT_DECIMAL: {
        DECIMAL d{};
        hr = toDecimal(n, d);
        if (SUCCEEDED(hr)) V_DECIMAL(&out) = d;
        break;
    }
    case VT_BOOL:
        hr = toBoolean(n, V_BOOL(&out));
        break;
    default:
        return DISP_E_TYPEMISMATCH;
    }
    if (SUCCEEDED(hr)) V_VT(&out) = target;
    return hr;
}

} // namespace vetrel::ole
