// VARIANT lifetime: initialise, clear (freeing what the value owns), copy deep and copy through a
// reference.
#include "platform/posix/ole_values.h"
#include "vetrel/com.h"

#include <cstring>

using namespace vetrel::ole;

namespace {

// Gives `target` (already cleared) its own copy of the value of `source`, which is not a
// reference. On failure `target` is left empty.
HRESULT copyOwnedValue(VARIANT* target, const VARIANT& source) noexcept
{
    *target = source;
    HRESULT hr = S_OK;
    if (source.vt & VT_ARRAY) {
        hr = SafeArrayCopy(source.parray, &target->parray);
    } else if (source.vt == VT_BSTR) {
        hr = copyBstr(source.bstrVal, &target->bstrVal, NullBstr::MakeEmpty);
    } else if (source.vt == VT_UNKNOWN || source.vt == VT_DISPATCH) {
        addRef(source.punkVal);
    }
    if (FAILED(hr)) target->vt = VT_EMPTY;
    return hr;
}

// A record needs its IRecordInfo to be copied, and this platform hands none out.
constexpr HRESULT kRecordsUnsupported = E_NOTIMPL;

} // namespace

STDAPI_(void) VariantInit(VARIANTARG* pvarg)
{
    if (pvarg) pvarg->vt = VT_EMPTY;
}

// A locked array makes the clear fail, yet the VARIANT is emptied all the same and the array is
// left to whoever locked it.
STDAPI VariantClear(VARIANTARG* pvarg)
{
    if (!pvarg) return E_INVALIDARG;
    const VARTYPE vt = pvarg->vt;
    if (!isClearableType(vt)) return DISP_E_BADVARTYPE;
    HRESULT hr = S_OK;
    if (vt & VT_BYREF) {
        // A reference owns nothing.
    } else if (vt & VT_ARRAY) {
        hr = SafeArrayDestroy(pvarg->parray);
    } else if (vt == VT_BSTR) {
        SysFreeString(pvarg->bstrVal);
    } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
        release(pvarg->punkVal);
    }
    pvarg->vt = VT_EMPTY;
    return hr;
}

STDAPI VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc)
{
    if (!pvargDest || !pvargSrc) return E_INVALIDARG;
    if (!isCopyableType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    if (pvargDest == pvargSrc) return S_OK;
    if (pvargSrc->vt == VT_RECORD) return kRecordsUnsupported;
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) return hr;
    if (pvargSrc->vt & VT_BYREF) {
        *pvargDest = *pvargSrc;
        return S_OK;
    }
    return copyOwnedValue(pvargDest, *pvargSrc);
}

STDAPI VariantCopyInd(VARIANT* pvarDest, VARIANTARG* pvargSrc)
{
    if (!pvarDest || !pvargSrc) return E_INVALIDARG;
    if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);

    // Read the reference before the destination, which may be the source, is cleared.
    const VARIANT reference = *pvargSrc;
    const VARTYPE vt = reference.vt & ~VT_BYREF;
    // A reference to an array is taken whatever its element type, as Windows does.
    if (!(vt & VT_ARRAY) && !isCopyableType(reference.vt)) return E_INVALIDARG;
    if (!reference.byref) return E_INVALIDARG;
    if (vt == VT_RECORD) return kRecordsUnsupported;
    if (vt == VT_VARIANT) {
        // One level of indirection only: a reference to a reference to a VARIANT is refused.
        VARIANT* target = reference.pvarVal;
        if (target->vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
        return VariantCopyInd(pvarDest, target);
    }
    HRESULT hr = VariantClear(pvarDest);
    if (FAILED(hr)) return hr;

    VARIANT value = reference;
    if (vt & VT_ARRAY) {
        value.parray = *reference.pparray;
    } else if (vt == VT_DECIMAL) {
        value.decVal = *reference.pdecVal;
    } else {
        std::memcpy(&value.llVal, reference.byref, valueSize(vt));
    }
    value.vt = vt;
    return copyOwnedValue(pvarDest, value);
}
