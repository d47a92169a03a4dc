#include "typed_values.h"

#include "example_tags.h"

#include <cstring>
#include <limits>
#include <string>

namespace e2e {
namespace {

// Fills the value of `type`; the caller's Variant owns what it holds.
void fill(VARIANT& v, VARTYPE type)
{
    switch (type) {
    case VT_I1:
        v.cVal = std::numeric_limits<CHAR>::min();
        break;
    case VT_UI1:
        v.bVal = std::numeric_limits<BYTE>::max();
        break;
    case VT_I2:
        v.iVal = std::numeric_limits<SHORT>::min();
        break;
    case VT_UI2:
        v.uiVal = std::numeric_limits<USHORT>::max();
        break;
    case VT_I4:
        v.lVal = std::numeric_limits<LONG>::min();
        break;
    case VT_UI4:
        v.ulVal = std::numeric_limits<ULONG>::max();
        break;
    case VT_I8:
        v.llVal = std::numeric_limits<LONGLONG>::min();
        break;
    case VT_UI8:
        v.ullVal = std::numeric_limits<ULONGLONG>::max();
        break;
    case VT_INT:
        v.intVal = -123456;
        break;
    case VT_UINT:
        v.uintVal = 654321u;
        break;
    case VT_R4:
        v.fltVal = -1.5e-7f;
        break;
    case VT_R8:
        v.dblVal = 6.02214076e23;
        break;
    case VT_CY:
        v.cyVal.int64 = 123456789012345LL;
        break; // 12345678901.2345
    case VT_DATE:
        v.date = 46000.75;
        break; // 2025-12-08 18:00
    case VT_BOOL:
        v.boolVal = VARIANT_TRUE;
        break;
    case VT_ERROR:
        v.scode = static_cast<SCODE>(0x80004005);
        break;
    case VT_DECIMAL:
        v.decVal.scale = 3;
        v.decVal.sign = DECIMAL_NEG;
        v.decVal.Hi32 = 7;
        v.decVal.Lo64 = 0x123456789ABCDEF0ULL;
        break;
    case VT_BSTR: {
        // "Grüße ✓": Latin-1 and beyond.
        const OLECHAR text[] = {'G', 'r', 0xFC, 0xDF, 'e', ' ', 0x2713};
        v.bstrVal = SysAllocStringLen(text, 7);
        break;
    }
    case VT_ARRAY | VT_R8: {
        v.parray = SafeArrayCreateVector(VT_R8, 0, 3);
        const double samples[] = {1.5, -2.0, 3e10};
        for (LONG i = 0; i < 3; ++i)
            SafeArrayPutElement(v.parray, &i, const_cast<double*>(&samples[i]));
        break;
    }
    default:
        break;
    }
    // DECIMAL overlays the type word, so the type goes in last.
    v.vt = type;
}

bool sameArray(const VARIANT& a, const VARIANT& b)
{
    LONG lowerA = 0, upperA = -1, lowerB = 0, upperB = -1;
    // Elements are compared as numbers of up to eight bytes.
    if (SafeArrayGetDim(a.parray) != 1 || SafeArrayGetDim(b.parray) != 1 ||
        SafeArrayGetElemsize(a.parray) > sizeof(LONGLONG))
        return false;
    SafeArrayGetLBound(a.parray, 1, &lowerA);
    SafeArrayGetUBound(a.parray, 1, &upperA);
    SafeArrayGetLBound(b.parray, 1, &lowerB);
    SafeArrayGetUBound(b.parray, 1, &upperB);
    if (upperA - lowerA != upperB - lowerB) return false;
    for (LONG i = 0; i <= upperA - lowerA; ++i) {
        LONGLONG elementA = 0, elementB = 0;
        LONG indexA = lowerA + i, indexB = lowerB + i;
        if (FAILED(SafeArrayGetElement(a.parray, &indexA, &elementA)) ||
            FAILED(SafeArrayGetElement(b.parray, &indexB, &elementB)) || elementA != elementB)
            return false;
    }
    return true;
}

} // namespace

std::vector<TypedValue> distinctiveValues()
{
    std::vector<TypedValue> values;
    for (const example::TypedTag& tag : example::kTypedTags) {
        vetrel::Variant value;
        fill(*value.out(), tag.type);
        values.push_back({tag.name, std::move(value)});
    }
    return values;
}

bool sameValue(const VARIANT& a, const VARIANT& b)
{
    if (a.vt != b.vt) return false;
    if (a.vt & VT_ARRAY) return sameArray(a, b);
    switch (a.vt) {
    case VT_BSTR:
        return SysStringLen(a.bstrVal) == SysStringLen(b.bstrVal) &&
               std::memcmp(a.bstrVal, b.bstrVal, SysStringByteLen(a.bstrVal)) == 0;
    case VT_DECIMAL:
        return a.decVal.scale == b.decVal.scale && a.decVal.sign == b.decVal.sign &&
               a.decVal.Hi32 == b.decVal.Hi32 && a.decVal.Lo64 == b.decVal.Lo64;
    case VT_BOOL:
        return (a.boolVal != VARIANT_FALSE) == (b.boolVal != VARIANT_FALSE);
    case VT_I1:
    case VT_UI1:
        return a.bVal == b.bVal;
    case VT_I2:
    case VT_UI2:
        return a.uiVal == b.uiVal;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return a.ulVal == b.ulVal;
    default:
        return a.ullVal == b.ullVal; // VT_I8, VT_UI8, VT_R8, VT_CY, VT_DATE
    }
}

} // namespace e2e
