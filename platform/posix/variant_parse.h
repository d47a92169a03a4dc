// Text to numbers, dates and booleans as VariantChangeType reads a BSTR under en-US
// conventions: blanks, signs (leading, trailing, parentheses), currency symbol, thousands
// separators, decimal point, exponent, and &H / &O radix prefixes.
#pragma once

#include "vetrel/com.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vetrel::ole {

struct ParsedText
{
    bool negative = false;
    bool radix = false; // &H or &O: the value is in bits, the sign is ignored
    uint64_t bits = 0;
    bool bitsOverflow = false;
    std::string digits; // significant digits without leading or trailing zeros; empty for 0
    long exponent = 0;  // value = digits * 10^exponent
};

// S_OK, or DISP_E_TYPEMISMATCH when the text is not a number.
HRESULT parseNumberText(std::u16string_view text, ParsedText& out);

// The value as a double, rounded step by step the way Windows computes it, so that the last bit
// agrees too; DISP_E_OVERFLOW when a positive exponent scales it past the double's range.
HRESULT parsedToDouble(const ParsedText& parsed, double& result) noexcept;

// Converts text to target (any scalar type but VT_BSTR) into out.
HRESULT textToValue(std::u16string_view text, VARTYPE target, VARIANT& out);

} // namespace vetrel::ole
