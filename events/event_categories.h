// What the event server tells clients about the events it can send: categories, their
// condition names and the sub-condition names of the level alarm.
#pragma once

#include "vetrel/opc.h"

#include <span>

namespace vetrel {

inline constexpr DWORD kSystemMessageCategory = 1;
inline constexpr DWORD kLevelCategory = 2;
inline constexpr DWORD kDiscreteCategory = 3;

// The condition of the level alarm, and its sub-conditions as they are reported.
inline constexpr const char* kLevelAlarmCondition = "Level Alarm";
inline constexpr const char* kLevelAlarmSubconditions[] = {"Lo Lo", "Lo", "Hi", "Hi Hi"};

struct EventCategory
{
    DWORD id;
    const char* description;
    DWORD eventType;
    const char* conditionName;
};

// In the order they are reported. The discrete category is described but never raised.
inline constexpr EventCategory kEventCategories[] = {
    {kSystemMessageCategory, "System Message", OPC_SIMPLE_EVENT, "Informational Text"},
    {kLevelCategory, "Level", OPC_CONDITION_EVENT, kLevelAlarmCondition},
    {kDiscreteCategory, "Discrete", OPC_CONDITION_EVENT, "Discrete Alarm"},
};

// The category of id, or null.
const EventCategory* findEventCategory(DWORD id) noexcept;

// Hands texts to a client: *count entries in *array, one task-memory string each, in an array
// of task memory, all of which the client frees. No texts give a count of 0 and no array.
// E_OUTOFMEMORY leaves nothing allocated, a count of 0 and no array.
HRESULT handOutTexts(std::span<const char* const> texts, DWORD* count, LPWSTR** array) noexcept;

} // namespace vetrel
