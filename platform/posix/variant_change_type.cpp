// VariantChangeType(Ex): checks the types, reads through references, then hands the value to
// the numeric, text or date conversions. The destination changes only when the conversion
// succeeds, so converting a VARIANT into itself leaves it intact on failure.
#include "platform/posix/ole_values.h"
#include "platform/posix/variant_date.h"
#include "platform/posix/variant_format.h"
#include "platform/posix/variant_number.h"
#include "platform/posix/variant_parse.h"
#include "vetrel/com.h"

#include <cstring>
#include <new>
#include <string_view>

namespace vetrel::ole {
namespace {

// A type that no conversion accepts at all, as source or as target.
bool unusableType(VARTYPE vt) noexcept
{
    VARTYPE base = vt & VT_TYPEMASK;
    if (vt & (VT_VECTOR | VT_RESERVED)) return true;
    if ((vt & VT_ARRAY) && base <= VT_NULL) return true;
    return !((base <= VT_UINT && base != 15) || base == VT_RECORD);
}

// The value a reference points at, as a VARIANT that borrows it: nothing here is owned.
VARIANT dereferenced(const VARIANT& src) noexcept
{
    if (!(V_VT(&src) & VT_BYREF)) return src;
    VARTYPE vt = V_VT(&src) & ~VT_BYREF;
    if (vt == VT_VARIANT) {
        const VARIANT* inner = V_VARIANTREF(&src);
        return inner ? dereferenced(*inner) : VARIANT{};
    }
    VARIANT view;
    VariantInit(&view);
    if (!V_BYREF(&src)) return view;
    if (vt & VT_ARRAY) {
        V_ARRAY(&view) = *V_ARRAYREF(&src);
    } else if (vt == VT_DECIMAL) {
        V_DECIMAL(&view) = *V_DECIMALREF(&src);
    } else {
        size_t size = valueSize(vt);
        if (size) std::memcpy(&V_UI1(&view), V_BYREF(&src), size);
    }
    V_VT(&view) = vt;
    return view;
}

std::u16string_view textOf(BSTR text) noexcept
{
    if (!text) return {};
    return {reinterpret_cast<const char16_t*>(text), SysStringLen(text)};
}

HRESULT storeText(const std::string& text, VARIANT& out)
{
    std::u16string wide(text.begin(), text.end());
    BSTR bstr = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                                  static_cast<UINT>(wide.size()));
    if (!bstr) return E_OUTOFMEMORY;
    V_BSTR(&out) = bstr;
    V_VT(&out) = VT_BSTR;
    return S_OK;
}

HRESULT bytesToText(SAFEARRAY* bytes, VARIANT& out) noexcept
{
    void* data = nullptr;
    LONG lower = 0, upper = -1;
    if (!bytes || SafeArrayGetDim(bytes) != 1) return DISP_E_TYPEMISMATCH;
    SafeArrayGetLBound(bytes, 1, &lower);
    SafeArrayGetUBound(bytes, 1, &upper);
    HRESULT hr = SafeArrayAccessData(bytes, &data);
    if (FAILED(hr)) return hr;
    auto count = static_cast<UINT>(static_cast<long long>(upper) - lower + 1);
    BSTR text = SysAllocStringByteLen(static_cast<LPCSTR>(data), count);
    SafeArrayUnaccessData(bytes);
    if (!text) return E_OUTOFMEMORY;
    V_BSTR(&out) = text;
    V_VT(&out) = VT_BSTR;
    return S_OK;
}

HRESULT textToBytes(BSTR text, VARIANT& out) noexcept
{
    UINT count = text ? SysStringByteLen(text) : 0;
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, count);
    if (!bytes) return E_OUTOFMEMORY;
    void* data = nullptr;
    if (count && SUCCEEDED(SafeArrayAccessData(bytes, &data))) {
        std::memcpy(data, text, count);
        SafeArrayUnaccessData(bytes);
    }
    V_ARRAY(&out) = bytes;
    V_VT(&out) = VT_ARRAY | VT_UI1;
    return S_OK;
}

// Arrays change only into an array of the same type; a byte array and a string convert into
// each other as raw bytes.
HRESULT changeArray(const VARIANT& src, VARTYPE vt, VARIANT& out) noexcept
{
    VARTYPE from = V_VT(&src);
    if (from == vt) {
        SAFEARRAY* copy = nullptr;
        HRESULT hr = SafeArrayCopy(V_ARRAY(&src), &copy);
        if (FAILED(hr)) return hr;
        V_ARRAY(&out) = copy;
        V_VT(&out) = vt;
        return S_OK;
    }
    if (from == (VT_ARRAY | VT_UI1) && vt == VT_BSTR) return bytesToText(V_ARRAY(&src), out);
    if (from == VT_BSTR && vt == (VT_ARRAY | VT_UI1)) return textToBytes(V_BSTR(&src), out);
    return DISP_E_TYPEMISMATCH;
}

HRESULT valueToText(const VARIANT& src, USHORT flags, VARIANT& out)
{
    std::string text;
    if (V_VT(&src) == VT_DATE) {
        HRESULT hr = dateText(V_DATE(&src), text);
        if (FAILED(hr)) return hr;
    } else {
        text = numberText(numberOf(src), flags);
    }
    return storeText(text, out);
}

HRESULT changeScalar(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& out)
{
    VARTYPE from = V_VT(&src);
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN || vt == VT_VARIANT || vt == VT_RECORD)
        return DISP_E_TYPEMISMATCH;
    if (from == VT_VARIANT) {
        // A bare VT_VARIANT carries nothing, which only the empty types can take.
        if (vt != VT_EMPTY && vt != VT_NULL) return DISP_E_TYPEMISMATCH;
        V_VT(&out) = vt;
        return S_OK;
    }
    if (from == vt) return VariantCopy(&out, const_cast<VARIANT*>(&src));
    if (from == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
    if (vt == VT_EMPTY || vt == VT_NULL) {
        if (from == VT_NULL) return DISP_E_TYPEMISMATCH;
        V_VT(&out) = vt;
        return S_OK;
    }
    // Without an object there is no value to ask for; with one, we do not ask it either.
    if (from == VT_DISPATCH && !V_DISPATCH(&src)) return DISP_E_BADVARTYPE;
    if (from == VT_NULL || !(isNumericType(from) || from == VT_BSTR || from == VT_EMPTY))
        return DISP_E_TYPEMISMATCH;
    if (from == VT_EMPTY)
        return vt == VT_BSTR ? storeText({}, out) : convertNumber(Number{}, vt, out);
    if (from == VT_BSTR) return textToValue(textOf(V_BSTR(&src)), vt, out);
    if (vt == VT_BSTR) return valueToText(src, flags, out);
    return convertNumber(numberOf(src), vt, out);
}

HRESULT changeType(const VARIANT& original, USHORT flags, VARTYPE vt, VARIANT& out)
{
    if (unusableType(vt)) return DISP_E_BADVARTYPE;
    VARIANT src = dereferenced(original);
    if (unusableType(V_VT(&src))) return DISP_E_BADVARTYPE;
    if (vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
    if ((V_VT(&src) & VT_ARRAY) || (vt & VT_ARRAY)) return changeArray(src, vt, out);
    if (V_VT(&src) == VT_RECORD) return DISP_E_TYPEMISMATCH;
    return changeScalar(src, flags, vt, out);
}

} // namespace
} // namespace vetrel::ole

// Text is read and written with en-US conventions whatever the locale; VARIANT_USE_NLS and the
// calendar flags change nothing.
STDAPI VariantChangeTypeEx(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, LCID, USHORT wFlags,
                           VARTYPE vt)
{
    if (!pvargDest || !pvarSrc) return E_INVALIDARG;
    try {
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = vetrel::ole::changeType(*pvarSrc, wFlags, vt, result);
        if (FAILED(hr)) {
            VariantClear(&result);
            return hr;
        }
        VariantClear(pvargDest);
        *pvargDest = result;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

STDAPI VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt)
{
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
