// Small VARIANT builders for tests.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace vetrel::test {

inline VARIANT r4(float value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R4;
    v.fltVal = value;
    return v;
}

inline VARIANT r8(double value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

inline VARIANT i4(LONG value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// The caller owns the BSTR inside: clear it with VariantClear.
inline VARIANT bstr(const std::string& ascii)
{
    std::basic_string<OLECHAR> wide(ascii.begin(), ascii.end());
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return v;
}

inline std::string narrow(BSTR text)
{
    std::string result;
    for (UINT i = 0; i < SysStringLen(text); ++i) result += static_cast<char>(text[i]);
    return result;
}

} // namespace vetrel::test
