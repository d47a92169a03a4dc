#include "group/deadband.h"

#include "platform/variant.h"

#include <cmath>
#include <limits>

namespace vetrel {
namespace {

// value as a float when it holds a number, which needs no conversion.
bool numberOf(const VARIANT& value, FLOAT& result) noexcept
{
    switch (value.vt) {
    case VT_I2:
        result = static_cast<FLOAT>(value.iVal);
        return true;
    case VT_I4:
        result = static_cast<FLOAT>(value.lVal);
        return true;
    case VT_R4:
        result = value.fltVal;
        return true;
    case VT_R8:
        // Beyond the float range the value cannot be compared, as a conversion would say.
        if (std::fabs(value.dblVal) > std::numeric_limits<FLOAT>::max() &&
            std::isfinite(value.dblVal))
            return false;
        result = static_cast<FLOAT>(value.dblVal);
        return true;
    case VT_UI1:
        result = static_cast<FLOAT>(value.bVal);
        return true;
    case VT_UI2:
        result = static_cast<FLOAT>(value.uiVal);
        return true;
    case VT_UI4:
        result = static_cast<FLOAT>(value.ulVal);
        return true;
    default:
        return false;
    }
}

// value as a float, or false when it has none.
bool asFloat(const VARIANT& value, FLOAT& result) noexcept
{
    if (numberOf(value, result)) return true;
    Variant converted;
    if (FAILED(changeType(converted, value, VT_R4))) return false;
    result = converted.get().fltVal;
    return true;
}

} // namespace

FLOAT deadbandReference(const VARIANT& value) noexcept
{
    FLOAT reference = 0.0f;
    return numberOf(value, reference) ? reference : kNoDeadbandReference;
}

bool takesDeadband(VARTYPE type) noexcept
{
    VARIANT zero{};
    zero.vt = type;
    FLOAT ignored = 0.0f;
    return numberOf(zero, ignored);
}

bool deadbandExceeded(FLOAT deadband, FLOAT previous, const VARIANT& value) noexcept
{
    if (deadband == 0.0f) return true;
    FLOAT next = 0.0f;
    if (!asFloat(value, next)) return true;
    if (!std::isfinite(previous) || !std::isfinite(next)) return true;
    if (previous == 0.0f) return next != 0.0f;
    // Single precision, step by step, as the reference and the deadband are kept.
    const FLOAT difference = next - previous;
    const FLOAT ratio = difference / previous;
    const FLOAT percent = std::fabs(ratio * 100.0f);
    return !std::isfinite(percent) || percent >= deadband;
}

} // namespace vetrel
