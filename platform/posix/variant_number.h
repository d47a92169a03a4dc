// Conversions between the numeric VARIANT types (integers, R4, R8, DATE, CY, DECIMAL, BOOL),
// with the rounding, range and special-value rules of Windows.
#pragma once

#include "vetrel/com.h"

namespace vetrel::ole {

using Whole = __int128;

// A numeric value as the conversions see it: what kind of source it came from and its value.
struct Number
{
    enum class Kind
    {
        Integer,
        Real,
        Currency,
        Decimal,
        Boolean
    };
    Kind kind = Kind::Integer;
    VARTYPE type = VT_EMPTY; // the source type, which some rules depend on (R4 versus R8)
    Whole integer = 0;
    double real = 0.0;
    LONGLONG currency = 0;
    DECIMAL decimal{};
    SHORT boolean = 0;
};

bool isNumericType(VARTYPE vt) noexcept;

// The number held by v, whose type satisfies isNumericType.
Number numberOf(const VARIANT& v) noexcept;

// Stores n converted to target (numeric or VT_BOOL) in out, or returns the failure code.
HRESULT convertNumber(const Number& n, VARTYPE target, VARIANT& out) noexcept;

// The rules for a double going to an integer type: banker's rounding, overflow, NaN.
HRESULT realToInteger(double x, VARTYPE target, Whole& result) noexcept;
HRESULT realToCurrency(double x, LONGLONG& result) noexcept;
HRESULT realToFloat(double x, FLOAT& result) noexcept;

// Stores an integer already known to fit target.
void storeInteger(Whole value, VARTYPE target, VARIANT& out) noexcept;
// Checks that value fits target; DISP_E_OVERFLOW otherwise.
HRESULT fitInteger(Whole value, VARTYPE target) noexcept;
bool isIntegerType(VARTYPE vt) noexcept;

} // namespace vetrel::ole
