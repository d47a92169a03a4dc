// The level alarm of a tag: which limit band its value is in, and the event when the band
// changes.
#pragma once

#include "events/event_record.h"

#include <optional>

namespace vetrel {

// The band of the tag's current value: HiHi, LoLo, Hi and Lo are tested in that order and the
// first enabled limit the value reaches wins. A value that is not a number is in no band.
AlarmLevel levelOf(const OPCTag& tag) noexcept;

// After an update of the tag's value: stores the tag's new level and, when it differs from the
// previous one, stamps the alarm time and hands back the event. Without memory for the event
// the level is stored all the same. The caller holds the runtime lock.
std::optional<OPCEventRecord> evaluateLevelAlarm(OPCTag& tag) noexcept;

} // namespace vetrel
