#include "events/event_record.h"

#include "events/event_categories.h"

#include <atomic>

namespace vetrel {
namespace {

struct LevelTexts
{
    const char* message;
    const char* subconditionName;
};

// Indexed by AlarmLevel.
constexpr LevelTexts kLevelTexts[] = {
    {"Normal Condition", "Normal"},
    {"Low Low Limit Exceeded", "Low Low Limit"},
    {"Low Limit Exceeded", "Low Limit"},
    {"High Limit Exceeded", "High Limit"},
    {"High High Limit Exceeded", "High High Limit"},
};

DWORD nextCookie() noexcept
{
    static std::atomic<DWORD> last{0};
    return ++last;
}

} // namespace

OPCEventRecord levelAlarmRecord(const OPCTag& tag, AlarmLevel level, const FILETIME& now)
{
    const int index = static_cast<int>(level);
    OPCEventRecord record;
    record.changeMask = OPC_CHANGE_ACTIVE_STATE;
    record.newState = OPC_CONDITION_ENABLED;
    if (level != AlarmLevel::Normal) record.newState |= OPC_CONDITION_ACTIVE;
    record.source = tag.name();
    record.message = kLevelTexts[index].message;
    record.conditionName = "Level";
    record.subconditionName = kLevelTexts[index].subconditionName;
    record.time = now;
    record.activeTime = now;
    record.eventType = OPC_CONDITION_EVENT;
    record.eventCategory = kLevelCategory;
    record.severity = level == AlarmLevel::Normal ? 0 : tag.levelLimit(level).severity;
    record.quality = tag.m_quality;
    record.cookie = nextCookie();
    return record;
}

OPCEventRecord userMessageRecord(std::string_view message, DWORD severity)
{
    OPCEventRecord record;
    record.source = "User Message";
    record.message = message;
    CoFileTimeNow(&record.time);
    record.eventType = OPC_SIMPLE_EVENT;
    record.eventCategory = kSystemMessageCategory;
    record.severity = severity;
    record.cookie = nextCookie();
    return record;
}

} // namespace vetrel
