// OPCEventRecord: one event as the runtime keeps it, from the moment it arises until every
// subscription has been handed its copy. Level alarms and the host's messages both become one.
#pragma once

#include "tags/opc_tag.h"
#include "vetrel/opc.h"

#include <string>
#include <string_view>

namespace vetrel {

struct OPCEventRecord
{
    WORD changeMask = 0;
    WORD newState = 0;
    std::string source;
    std::string message;
    std::string conditionName;
    std::string subconditionName;
    std::string actorId;
    FILETIME time{};
    FILETIME activeTime{};
    DWORD eventType = 0;
    DWORD eventCategory = 0;
    DWORD severity = 0;
    WORD quality = 0;
    BOOL ackRequired = FALSE;
    // Names the record: every subscription that receives it sees the same cookie.
    DWORD cookie = 0;
};

// The condition event of tag entering level at time now. Throws std::bad_alloc.
OPCEventRecord levelAlarmRecord(const OPCTag& tag, AlarmLevel level, const FILETIME& now);

// The simple event of a host's message. Throws std::bad_alloc.
OPCEventRecord userMessageRecord(std::string_view message, DWORD severity);

} // namespace vetrel
