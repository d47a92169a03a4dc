// The wire form of one event: what a sink's OnEvent receives.
#pragma once

#include "events/event_record.h"
#include "platform/task_mem.h"

namespace vetrel {

// One block of the task allocator holding the ONEVENTSTRUCT, laid out for this build, followed
// by its strings (source, message, condition name, sub-condition name, actor ID), each widened
// byte for byte and NUL-terminated. The event carries no attributes. Empty when the allocator
// refuses.
TaskMem<BYTE> buildEventBlock(const OPCEventRecord& record) noexcept;

} // namespace vetrel
