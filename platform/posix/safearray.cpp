// SAFEARRAY: a self-describing array of automation values. As on Windows, the descriptor keeps
// the bounds of the last dimension first, the first index varies fastest in the data, and what
// a cell owns (BSTR, VARIANT, interface) follows from the feature flags.
#include "platform/posix/ole_values.h"
#include "vetrel/com.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

using namespace vetrel::ole;

namespace {

// Every descriptor is preceded by hidden bytes whose last four hold the element VARTYPE.
constexpr size_t kHiddenBytes = 16;
constexpr UINT kMaxDims = 0xFFFF;
constexpr ULONG kMaxLocks = 0xFFFF;
// Data that lives in someone else's storage is never freed or moved by us.
constexpr USHORT kForeignData = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;
// Marks the arrays SafeArrayCreateVector makes, as Windows does.
constexpr USHORT kCreatedAsVector = 0x2000;
// A copy owns its data and may be resized, whatever the original was.
constexpr USHORT kNotCopiedFeatures = kForeignData | FADF_FIXEDSIZE | kCreatedAsVector;

std::byte* hiddenBlock(SAFEARRAY* psa) noexcept
{
    return reinterpret_cast<std::byte*>(psa) - kHiddenBytes;
}

DWORD& hiddenVartype(SAFEARRAY* psa) noexcept
{
    return *reinterpret_cast<DWORD*>(reinterpret_cast<std::byte*>(psa) - sizeof(DWORD));
}

std::atomic_ref<ULONG> locks(SAFEARRAY* psa) noexcept
{
    return std::atomic_ref<ULONG>(psa->cLocks);
}

bool isLocked(SAFEARRAY* psa) noexcept
{
    return locks(psa).load() != 0;
}

size_t descriptorBytes(UINT cDims) noexcept
{
    return sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
}

// A descriptor of cDims dimensions with zeroed bounds and no data.
SAFEARRAY* newDescriptor(UINT cDims) noexcept
{
    auto* block = static_cast<std::byte*>(std::calloc(1, kHiddenBytes + descriptorBytes(cDims)));
    if (!block) return nullptr;
    auto* psa = reinterpret_cast<SAFEARRAY*>(block + kHiddenBytes);
    psa->cDims = static_cast<USHORT>(cDims);
    return psa;
}

// Product of the element counts of the bounds [first, cDims); false when it overflows.
bool countCells(const SAFEARRAY* psa, USHORT first, size_t* count) noexcept
{
    size_t cells = 1;
    for (USHORT i = first; i < psa->cDims; ++i) {
        if (__builtin_mul_overflow(cells, size_t{psa->rgsabound[i].cElements}, &cells))
            return false;
    }
    *count = cells;
    return true;
}

size_t cellCount(const SAFEARRAY* psa) noexcept
{
    size_t cells = 0;
    return countCells(psa, 0, &cells) ? cells : 0;
}

// Bytes the data of `cells` cells take, or false when that cannot be addressed.
bool dataBytes(const SAFEARRAY* psa, size_t cells, size_t* bytes) noexcept
{
    return !__builtin_mul_overflow(cells, size_t{psa->cbElements}, bytes);
}

std::byte* cellAt(const SAFEARRAY* psa, size_t cell) noexcept
{
    return static_cast<std::byte*>(psa->pvData) + cell * psa->cbElements;
}

enum class CellKind
{
    Plain,
    Bstr,
    Variant,
    Interface
};

CellKind cellKind(const SAFEARRAY* psa) noexcept
{
    if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) return CellKind::Interface;
    if (psa->fFeatures & FADF_BSTR) return CellKind::Bstr;
    if (psa->fFeatures & FADF_VARIANT) return CellKind::Variant;
    return CellKind::Plain;
}

// Releases what the cells [first, first + count) own and leaves them empty.
void clearCells(SAFEARRAY* psa, size_t first, size_t count) noexcept
{
    const CellKind kind = cellKind(psa);
    for (size_t cell = first; cell < first + count; ++cell) {
        std::byte* at = cellAt(psa, cell);
        switch (kind) {
        case CellKind::Bstr:
            SysFreeString(*reinterpret_cast<BSTR*>(at));
            *reinterpret_cast<BSTR*>(at) = nullptr;
            break;
        case CellKind::Variant:
            VariantClear(reinterpret_cast<VARIANT*>(at));
            break;
        case CellKind::Interface:
            release(*reinterpret_cast<IUnknown**>(at));
            break;
        case CellKind::Plain:
            return;
        }
    }
}

// Copies one cell into `target`, which holds nothing yet: BSTRs and VARIANTs deep, interfaces
// with a reference of their own.
HRESULT copyCell(CellKind kind, ULONG bytes, void* target, const void* source) noexcept
{
    switch (kind) {
    case CellKind::Bstr:
        return copyBstr(*static_cast<const BSTR*>(source), static_cast<BSTR*>(target),
                        NullBstr::Keep);
    case CellKind::Variant:
        VariantInit(static_cast<VARIANT*>(target));
        return VariantCopy(static_cast<VARIANT*>(target),
                           const_cast<VARIANT*>(static_cast<const VARIANT*>(source)));
    case CellKind::Interface:
        *static_cast<IUnknown**>(target) = *static_cast<IUnknown* const*>(source);
        addRef(*static_cast<IUnknown**>(target));
        return S_OK;
    case CellKind::Plain:
        break;
    }
    std::memcpy(target, source, bytes);
    return S_OK;
}

// The feature flags that say what the cells of a `vt` array own.
USHORT ownershipFeatures(VARTYPE vt) noexcept
{
    switch (vt) {
    case VT_BSTR:
        return FADF_BSTR;
    case VT_UNKNOWN:
        return FADF_UNKNOWN;
    case VT_DISPATCH:
        return FADF_DISPATCH;
    case VT_VARIANT:
        return FADF_VARIANT;
    default:
        return 0;
    }
}

// Calls `action` on the cell at `rgIndices` with the array locked.
template <typename Action> HRESULT withCell(SAFEARRAY* psa, LONG* rgIndices, Action action) noexcept
{
    void* cell = nullptr;
    HRESULT hr = SafeArrayLock(psa);
    if (FAILED(hr)) return hr;
    hr = SafeArrayPtrOfIndex(psa, rgIndices, &cell);
    if (SUCCEEDED(hr)) hr = action(cell);
    SafeArrayUnlock(psa);
    return hr;
}

} // namespace

STDAPI SafeArrayAllocDescriptor(UINT cDims, SAFEARRAY** ppsaOut)
{
    if (cDims == 0 || cDims > kMaxDims) return E_INVALIDARG;
    if (!ppsaOut) return E_POINTER;
    *ppsaOut = newDescriptor(cDims);
    return *ppsaOut ? S_OK : E_OUTOFMEMORY;
}

STDAPI SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut)
{
    HRESULT hr = SafeArrayAllocDescriptor(cDims, ppsaOut);
    if (FAILED(hr)) return hr;
    SAFEARRAY* psa = *ppsaOut;
    psa->cbElements = static_cast<ULONG>(valueSize(vt));
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
        psa->fFeatures = FADF_HAVEIID;
    } else {
        psa->fFeatures = FADF_HAVEVARTYPE;
        hiddenVartype(psa) = vt;
    }
    return S_OK;
}

STDAPI SafeArrayAllocData(SAFEARRAY* psa)
{
    if (!psa) return E_INVALIDARG;
    size_t cells = 0, bytes = 0;
    if (!countCells(psa, 0, &cells) || !dataBytes(psa, cells, &bytes)) return E_OUTOFMEMORY;
    // An array without cells still gets storage, so that its data pointer is valid.
    psa->pvData = std::calloc(1, bytes ? bytes : 1);
    return psa->pvData ? S_OK : E_OUTOFMEMORY;
}

STDAPI_(SAFEARRAY*) SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound)
{
    if (!rgsabound || valueSize(vt) == 0) return nullptr;
    SAFEARRAY* psa = nullptr;
    if (FAILED(SafeArrayAllocDescriptorEx(vt, cDims, &psa))) return nullptr;
    psa->fFeatures |= ownershipFeatures(vt);
    for (UINT i = 0; i < cDims; ++i) psa->rgsabound[i] = rgsabound[cDims - 1 - i];
    if (FAILED(SafeArrayAllocData(psa))) {
        SafeArrayDestroyDescriptor(psa);
        return nullptr;
    }
    return psa;
}

STDAPI_(SAFEARRAY*) SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    SAFEARRAYBOUND bound = {cElements, lLbound};
    SAFEARRAY* psa = SafeArrayCreate(vt, 1, &bound);
    if (psa) psa->fFeatures |= kCreatedAsVector;
    return psa;
}

STDAPI SafeArrayDestroyDescriptor(SAFEARRAY* psa)
{
    if (!psa) return S_OK;
    if (isLocked(psa)) return DISP_E_ARRAYISLOCKED;
    std::free(hiddenBlock(psa));
    return S_OK;
}

STDAPI SafeArrayDestroyData(SAFEARRAY* psa)
{
    if (!psa) return E_INVALIDARG;
    if (isLocked(psa)) return DISP_E_ARRAYISLOCKED;
    if (!psa->pvData) return S_OK;
    clearCells(psa, 0, cellCount(psa));
    if (!(psa->fFeatures & kForeignData)) {
        std::free(psa->pvData);
        psa->pvData = nullptr;
    }
    return S_OK;
}

STDAPI SafeArrayDestroy(SAFEARRAY* psa)
{
    if (!psa) return S_OK;
    if (isLocked(psa)) return DISP_E_ARRAYISLOCKED;
    HRESULT hr = SafeArrayDestroyData(psa);
    return FAILED(hr) ? hr : SafeArrayDestroyDescriptor(psa);
}

STDAPI SafeArrayCopyData(SAFEARRAY* psaSource, SAFEARRAY* psaTarget)
{
    if (!psaSource || !psaTarget || !psaSource->pvData || !psaTarget->pvData) return E_INVALIDARG;
    if (psaSource->cDims != psaTarget->cDims || psaSource->cbElements != psaTarget->cbElements)
        return E_INVALIDARG;
    for (USHORT i = 0; i < psaSource->cDims; ++i) {
        if (psaSource->rgsabound[i].cElements != psaTarget->rgsabound[i].cElements)
            return E_INVALIDARG;
    }
    if (psaSource == psaTarget) return S_OK;
    const size_t cells = cellCount(psaTarget);
    clearCells(psaTarget, 0, cells);
    const CellKind kind = cellKind(psaSource);
    for (size_t cell = 0; cell < cells; ++cell) {
        HRESULT hr =
            copyCell(kind, psaSource->cbElements, cellAt(psaTarget, cell), cellAt(psaSource, cell));
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut)
{
    if (!ppsaOut) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (!psa) return S_OK;
    if (!psa->cbElements || !psa->cDims) return E_INVALIDARG;
    SAFEARRAY* copy = newDescriptor(psa->cDims);
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(hiddenBlock(copy), hiddenBlock(psa), kHiddenBytes + descriptorBytes(psa->cDims));
    copy->fFeatures &= ~kNotCopiedFeatures;
    copy->cLocks = 0;
    copy->pvData = nullptr;
    HRESULT hr = S_OK;
    if (psa->pvData) {
        hr = SafeArrayAllocData(copy);
        if (SUCCEEDED(hr)) hr = SafeArrayCopyData(psa, copy);
    }
    if (FAILED(hr)) {
        SafeArrayDestroy(copy);
        return hr;
    }
    *ppsaOut = copy;
    return S_OK;
}

// Only the last dimension, whose bounds the descriptor keeps first, can change: its cells are
// the outermost in the data, so the data grows or shrinks at its end.
STDAPI SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew)
{
    if (!psa || !psaboundNew) return E_INVALIDARG;
    if ((psa->fFeatures & FADF_FIXEDSIZE) || isLocked(psa)) return DISP_E_ARRAYISLOCKED;
    if (psa->fFeatures & kForeignData) return E_INVALIDARG;
    size_t slice = 0, oldCells = 0, newCells = 0, newBytes = 0;
    if (!countCells(psa, 1, &slice) || !countCells(psa, 0, &oldCells) ||
        __builtin_mul_overflow(slice, size_t{psaboundNew->cElements}, &newCells) ||
        !dataBytes(psa, newCells, &newBytes))
        return E_OUTOFMEMORY;
    if (newCells > oldCells) {
        void* grown = std::realloc(psa->pvData, newBytes);
        if (!grown) return E_OUTOFMEMORY;
        psa->pvData = grown;
        std::memset(cellAt(psa, oldCells), 0, (newCells - oldCells) * psa->cbElements);
    } else if (newCells < oldCells) {
        clearCells(psa, newCells, oldCells - newCells);
        // Shrinking in place cannot fail; keeping the larger block if it does is harmless.
        if (void* shrunk = std::realloc(psa->pvData, newBytes ? newBytes : 1)) psa->pvData = shrunk;
    }
    psa->rgsabound[0] = *psaboundNew;
    return S_OK;
}

STDAPI_(UINT) SafeArrayGetDim(SAFEARRAY* psa)
{
    return psa ? psa->cDims : 0;
}

STDAPI_(UINT) SafeArrayGetElemsize(SAFEARRAY* psa)
{
    return psa ? psa->cbElements : 0;
}

namespace {

// The bound of dimension nDim (1 for the first) as the caller numbers them.
HRESULT boundOf(SAFEARRAY* psa, UINT nDim, const SAFEARRAYBOUND** bound) noexcept
{
    if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
    *bound = &psa->rgsabound[psa->cDims - nDim];
    return S_OK;
}

} // namespace

STDAPI SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound)
{
    if (!psa || !plUbound) return E_INVALIDARG;
    const SAFEARRAYBOUND* bound = nullptr;
    HRESULT hr = boundOf(psa, nDim, &bound);
    if (SUCCEEDED(hr)) *plUbound = static_cast<LONG>(bound->lLbound + bound->cElements - 1);
    return hr;
}

STDAPI SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound)
{
    if (!psa || !plLbound) return E_INVALIDARG;
    const SAFEARRAYBOUND* bound = nullptr;
    HRESULT hr = boundOf(psa, nDim, &bound);
    if (SUCCEEDED(hr)) *plLbound = bound->lLbound;
    return hr;
}

STDAPI SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt)
{
    if (!psa || !pvt) return E_INVALIDARG;
    if (psa->fFeatures & FADF_HAVEIID)
        *pvt = (psa->fFeatures & FADF_DISPATCH) ? VT_DISPATCH : VT_UNKNOWN;
    else if (psa->fFeatures & FADF_HAVEVARTYPE)
        *pvt = static_cast<VARTYPE>(hiddenVartype(psa));
    else
        return E_INVALIDARG;
    return S_OK;
}

STDAPI SafeArrayLock(SAFEARRAY* psa)
{
    if (!psa) return E_INVALIDARG;
    if (locks(psa).fetch_add(1) >= kMaxLocks) {
        locks(psa).fetch_sub(1);
        return E_UNEXPECTED;
    }
    return S_OK;
}

STDAPI SafeArrayUnlock(SAFEARRAY* psa)
{
    if (!psa) return E_INVALIDARG;
    ULONG held = locks(psa).load();
    do {
        if (held == 0) return E_UNEXPECTED;
    } while (!locks(psa).compare_exchange_weak(held, held - 1));
    return S_OK;
}

STDAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData)
{
    if (!psa || !ppvData) return E_INVALIDARG;
    HRESULT hr = SafeArrayLock(psa);
    *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
    return hr;
}

STDAPI SafeArrayUnaccessData(SAFEARRAY* psa)
{
    return SafeArrayUnlock(psa);
}

STDAPI SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData)
{
    if (!psa || !rgIndices || !ppvData) return E_INVALIDARG;
    size_t cell = 0, stride = 1;
    for (UINT k = 0; k < psa->cDims; ++k) {
        const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - k];
        const LONGLONG offset = LONGLONG{rgIndices[k]} - bound.lLbound;
        if (offset < 0 || offset >= LONGLONG{bound.cElements}) return DISP_E_BADINDEX;
        cell += static_cast<size_t>(offset) * stride;
        stride *= bound.cElements;
    }
    *ppvData = cellAt(psa, cell);
    return S_OK;
}

STDAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv)
{
    if (!psa || !rgIndices || !pv) return E_INVALIDARG;
    return withCell(psa, rgIndices,
                    [&](void* cell) { return copyCell(cellKind(psa), psa->cbElements, pv, cell); });
}

// BSTR and interface cells take the value itself in pv, every other kind a pointer to it.
STDAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv)
{
    if (!psa || !rgIndices) return E_INVALIDARG;
    const CellKind kind = cellKind(psa);
    if (!pv && kind != CellKind::Bstr && kind != CellKind::Interface) return E_INVALIDARG;
    return withCell(psa, rgIndices, [&](void* cell) -> HRESULT {
        switch (kind) {
        case CellKind::Variant:
            return VariantCopy(static_cast<VARIANT*>(cell), static_cast<VARIANT*>(pv));
        case CellKind::Bstr: {
            BSTR copy = nullptr;
            HRESULT hr = copyBstr(static_cast<BSTR>(pv), &copy, NullBstr::MakeEmpty);
            if (FAILED(hr)) return hr;
            SysFreeString(*static_cast<BSTR*>(cell));
            *static_cast<BSTR*>(cell) = copy;
            return S_OK;
        }
        case CellKind::Interface: {
            auto* unknown = static_cast<IUnknown*>(pv);
            addRef(unknown);
            release(*static_cast<IUnknown**>(cell));
            *static_cast<IUnknown**>(cell) = unknown;
            return S_OK;
        }
        case CellKind::Plain:
            break;
        }
        std::memcpy(cell, pv, psa->cbElements);
        return S_OK;
    });
}
