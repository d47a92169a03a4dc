#include "events/event_block.h"

#include <new>
#include <string_view>

namespace vetrel {
namespace {

// Copies text and its terminator to place; the units that follow it.
WCHAR* placeText(std::string_view text, WCHAR* place) noexcept
{
    for (const char c : text) *place++ = static_cast<WCHAR>(static_cast<unsigned char>(c));
    *place++ = 0;
    return place;
}

} // namespace

TaskMem<BYTE> buildEventBlock(const OPCEventRecord& record) noexcept
{
    const std::string_view texts[] = {record.source, record.message, record.conditionName,
                                      record.subconditionName, record.actorId};
    size_t units = 0;
    for (const std::string_view text : texts) units += text.size() + 1;
    auto block = TaskMem<BYTE>::allocate(sizeof(ONEVENTSTRUCT) + units * sizeof(WCHAR));
    if (!block) return block;

    auto* event = new (block.get()) ONEVENTSTRUCT{};
    // The strings follow the structure, whose size keeps them aligned.
    LPWSTR strings[std::size(texts)];
    WCHAR* place = reinterpret_cast<WCHAR*>(event + 1);
    for (size_t i = 0; i < std::size(texts); ++i) {
        strings[i] = place;
        place = placeText(texts[i], place);
    }
    event->wChangeMask = record.changeMask;
    event->wNewState = record.newState;
    event->szSource = strings[0];
    event->ftTime = record.time;
    event->szMessage = strings[1];
    event->dwEventType = record.eventType;
    event->dwEventCategory = record.eventCategory;
    event->dwSeverity = record.severity;
    event->szConditionName = strings[2];
    event->szSubconditionName = strings[3];
    event->wQuality = record.quality;
    event->bAckRequired = record.ackRequired;
    event->ftActiveTime = record.activeTime;
    event->dwCookie = record.cookie;
    event->dwNumEventAttrs = 0;
    event->pEventAttributes = nullptr;
    event->szActorID = strings[4];
    return block;
}

} // namespace vetrel
