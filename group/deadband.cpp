#include "group/deadband.h"

#include "platform/variant.h"

#include <cmath>

namespace vetrel {
namespace {

bool isNumeric(VARTYPE type) noexcept
{
    switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
        return true;
    default:
        return false;
    }
}

// value as a float, or false when it has none.
bool asFloat(const VARIANT& value, FLOAT& result) noexcept
{
    Variant converted;
    if (FAILED(changeType(converted, value, VT_R4))) return false;
    result = converted.get().fltVal;
    return true;
}

} // namespace

bool deadbandExceeded(FLOAT deadband, const VARIANT& reference, const VARIANT& value) noexcept
{
    if (deadband == 0.0f || !isNumeric(reference.vt)) return true;
    FLOAT previous = 0.0f, next = 0.0f;
    if (!asFloat(reference, previous) || !asFloat(value, next)) return true;
    if (!std::isfinite(previous) || !std::isfinite(next)) return true;
    if (previous == 0.0f) return next != 0.0f;
    // Single precision, step by step, as the reference and the deadband are kept.
    const FLOAT difference = next - previous;
    const FLOAT ratio = difference / previous;
    const FLOAT percent = std::fabs(ratio * 100.0f);
    return !std::isfinite(percent) || percent >= deadband;
}

} // namespace vetrel
