// The test hook of the task allocator, exported by vetrel_com for platform/alloc_fault.h.
#pragma once

// The n-th task allocation from now fails (1 = the next one); 0 switches the hook off.
extern "C" __attribute__((visibility("default"))) void vetrel_fail_nth_task_allocation(unsigned n);
