#include "events/level_alarm.h"

#include "platform/variant.h"
#include "tags/timestamp.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace vetrel {
namespace {

struct LevelTest
{
    AlarmLevel level;
    bool upper;
};

constexpr LevelTest kTestOrder[] = {
    {AlarmLevel::HiHi, true},
    {AlarmLevel::LoLo, false},
    {AlarmLevel::Hi, true},
    {AlarmLevel::Lo, false},
};

} // namespace

AlarmLevel levelOf(const OPCTag& tag) noexcept
{
    // Most tags have no limit: their updates need not convert the value.
    const TagDetails* details = tag.details();
    if (!details || std::none_of(std::begin(details->limits), std::end(details->limits),
                                 [](const LevelLimit& limit) { return limit.enabled; }))
        return AlarmLevel::Normal;
    Variant number;
    if (FAILED(changeType(number, tag.m_value.get(), VT_R4))) return AlarmLevel::Normal;
    const float value = number.get().fltVal;
    for (const LevelTest& test : kTestOrder) {
        const LevelLimit& limit = tag.levelLimit(test.level);
        if (!limit.enabled) continue;
        if (test.upper ? value >= limit.limit : value <= limit.limit) return test.level;
    }
    return AlarmLevel::Normal;
}

std::optional<OPCEventRecord> evaluateLevelAlarm(OPCTag& tag) noexcept
{
    // A tag without details has no limit and stays Normal.
    TagDetails* details = tag.details();
    const AlarmLevel level = levelOf(tag);
    if (!details || level == details->alarmLevel) return std::nullopt;
    details->alarmLevel = level;
    // The event carries the time of the update that moved the level, the host's when it gave one.
    details->alarmTime = tag.m_timestamp;
    try {
        return levelAlarmRecord(tag, level, tag.m_timestamp);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace vetrel
