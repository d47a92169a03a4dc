// Whether a tag update is a change worth reporting to a group with a percent deadband.
#pragma once

#include "vetrel/com.h"

namespace vetrel {

// True when value moved from reference by at least deadband percent of reference. A deadband
// of 0, a reference that is not numeric, values that cannot be compared as floats, and values
// that are not finite all count as a change, so nothing can silence an item for good.
bool deadbandExceeded(FLOAT deadband, const VARIANT& reference, const VARIANT& value) noexcept;

// What a client may ask for: a percentage, 0 to 100. NaN is not one.
constexpr bool validPercentDeadband(FLOAT deadband) noexcept
{
    return deadband >= 0.0f && deadband <= 100.0f;
}

} // namespace vetrel
