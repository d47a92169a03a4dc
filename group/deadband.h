// Whether a tag update is a change worth reporting to a group with a percent deadband.
#pragma once

#include "vetrel/com.h"

#include <limits>

namespace vetrel {

// The reference of an item that has none yet, or whose last reported value was not a number:
// against it every value counts as a change.
constexpr FLOAT kNoDeadbandReference = std::numeric_limits<FLOAT>::quiet_NaN();

// What later values are compared against once value has been reported: the value as a float
// when it is a number, otherwise kNoDeadbandReference.
FLOAT deadbandReference(const VARIANT& value) noexcept;

// True when value moved from reference by at least deadband percent of reference. A deadband
// of 0, no reference, values that cannot be compared as floats, and values that are not finite
// all count as a change, so nothing can silence an item for good.
bool deadbandExceeded(FLOAT deadband, FLOAT reference, const VARIANT& value) noexcept;

// Whether items whose values are of type can have a deadband: those of the numbers it
// compares without conversion. Against values of other types every update is a change.
bool takesDeadband(VARTYPE type) noexcept;

// What a client may ask for: a percentage, 0 to 100. NaN is not one.
constexpr bool validPercentDeadband(FLOAT deadband) noexcept
{
    return deadband >= 0.0f && deadband <= 100.0f;
}

} // namespace vetrel
