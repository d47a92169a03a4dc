// The task allocation fault hook over our own task allocator.
#include "platform/alloc_fault.h"

#include "platform/posix/task_allocator_hook.h"

namespace vetrel::platform {

void failNthTaskAllocation(unsigned n)
{
    vetrel_fail_nth_task_allocation(n);
}

} // namespace vetrel::platform
