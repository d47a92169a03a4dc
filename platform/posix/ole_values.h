// What the VARIANT and SAFEARRAY functions share about values: the size of each type, the types
// a VARIANT may carry, and how an owned BSTR is copied.
#pragma once

#include "vetrel/com.h"

#include <cstddef>

namespace vetrel::ole {

constexpr VARTYPE kTypeFlags = VT_VECTOR | VT_ARRAY | VT_BYREF | VT_RESERVED;

// Bytes one value of a base type takes in a VARIANT or a SAFEARRAY cell; 0 for a type that has
// no such value.
constexpr size_t valueSize(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return sizeof(void*);
    case VT_DECIMAL:
        return sizeof(DECIMAL);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

// The types VariantClear accepts: the automation types up to VT_UINT, records and CLSIDs, alone,
// by reference or as arrays; references to and arrays of nothing are refused.
constexpr bool isClearableType(VARTYPE vt) noexcept
{
    const VARTYPE flags = vt & kTypeFlags;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (flags & (VT_VECTOR | VT_RESERVED)) return false;
    if ((flags & (VT_BYREF | VT_ARRAY)) && base <= VT_NULL) return false;
    return (base <= VT_UINT && base != 15) || base == VT_RECORD || base == VT_CLSID;
}

// The types VariantCopy accepts: those VariantClear does, except CLSIDs.
constexpr bool isCopyableType(VARTYPE vt) noexcept
{
    return isClearableType(vt) && (vt & VT_TYPEMASK) != VT_CLSID;
}

// What a copy makes of a null BSTR: a VARIANT copy gets an empty string, an array cell stays
// null, as on Windows.
enum class NullBstr
{
    Keep,
    MakeEmpty
};

// A copy of a BSTR with its exact byte length.
inline HRESULT copyBstr(BSTR source, BSTR* target, NullBstr null) noexcept
{
    *target = nullptr;
    if (!source && null == NullBstr::Keep) return S_OK;
    *target = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
    return *target ? S_OK : E_OUTOFMEMORY;
}

inline void addRef(IUnknown* unknown) noexcept
{
    if (unknown) unknown->AddRef();
}

inline void release(IUnknown*& unknown) noexcept
{
    if (unknown) unknown->Release();
    unknown = nullptr;
}

} // namespace vetrel::ole
