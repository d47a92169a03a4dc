// Variant: owns one VARIANT and clears it with VariantClear, on both targets. Copies are deep
// (VariantCopy).
#pragma once

#include "vetrel/com.h"

#include <new>
#include <stdexcept>
#include <utility>

namespace vetrel {

// A value of a type that owns nothing (a number, a date, a flag): copying its bits copies it, and
// clearing it frees nothing. The data path copies and clears such values for every item it moves.
inline bool holdsOnlyBits(VARTYPE type) noexcept
{
    switch (type) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

// VariantClear, without the call for a value that owns nothing.
inline void clearValue(VARIANT& value) noexcept
{
    if (holdsOnlyBits(value.vt))
        value.vt = VT_EMPTY;
    else
        VariantClear(&value);
}

class Variant
{
public:
    Variant() noexcept { VariantInit(&m_value); }

    // A deep copy of `value`, which stays with the caller.
    explicit Variant(const VARIANT& value) : Variant() { copyFrom(value); }

    // Takes over the value of `owned`, which is left empty.
    static Variant attach(VARIANT& owned) noexcept
    {
        Variant variant;
        variant.m_value = owned;
        VariantInit(&owned);
        return variant;
    }

    Variant(const Variant& other) : Variant() { copyFrom(other.m_value); }
    Variant(Variant&& other) noexcept : m_value(other.detach()) {}
    Variant& operator=(const Variant& other)
    {
        if (holdsOnlyBits(m_value.vt) && holdsOnlyBits(other.m_value.vt)) {
            m_value = other.m_value;
        } else if (this != &other) {
            Variant copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept
    {
        if (this != &other) {
            clear();
            m_value = other.detach();
        }
        return *this;
    }
    ~Variant() { clear(); }

    const VARIANT& get() const noexcept { return m_value; }
    VARTYPE type() const noexcept { return m_value.vt; }

    // Clears the value and returns it for a function that fills a VARIANT it is handed.
    VARIANT* out() noexcept
    {
        clear();
        return &m_value;
    }

    // Gives up ownership, for handing the value to a client; this is left empty.
    VARIANT detach() noexcept
    {
        VARIANT value = m_value;
        VariantInit(&m_value);
        return value;
    }

    // Writes a deep copy into a client's VARIANT, which holds nothing yet.
    HRESULT copyTo(VARIANT* target) const noexcept
    {
        if (!target) return E_POINTER;
        VariantInit(target);
        if (holdsOnlyBits(m_value.vt)) {
            *target = m_value;
            return S_OK;
        }
        return VariantCopy(target, const_cast<VARIANT*>(&m_value));
    }

private:
    void clear() noexcept { clearValue(m_value); }

    // Into an empty value.
    void copyFrom(const VARIANT& value)
    {
        if (holdsOnlyBits(value.vt)) {
            m_value = value;
            return;
        }
        HRESULT hr = VariantCopy(&m_value, const_cast<VARIANT*>(&value));
        if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
        if (FAILED(hr)) throw std::invalid_argument("VARIANT of a type that cannot be copied");
    }

    VARIANT m_value;
};

// value converted to type into converted, by the rules of VariantChangeTypeEx for the locale and
// flags given (by default those VariantChangeType uses); value stays as it is.
inline HRESULT changeType(Variant& converted, const VARIANT& value, VARTYPE type,
                          LCID locale = LOCALE_USER_DEFAULT, USHORT flags = 0) noexcept
{
    // The conversion only reads its source, whatever its signature says.
    return VariantChangeTypeEx(converted.out(), const_cast<VARIANT*>(&value), locale, flags, type);
}

} // namespace vetrel
