// Test hook: makes a chosen task allocation fail, so out-of-memory paths can be exercised.
// CoTaskMemAlloc, CoTaskMemRealloc and IMalloc::Alloc/Realloc count alike; a reallocation
// that only frees does not count.
#pragma once

namespace vetrel::platform {

// The n-th task allocation from now fails (1 = the next one); 0 switches the hook off. Only the
// one allocation fails: earlier and later ones succeed.
void failNthTaskAllocation(unsigned n);

// Arms the hook for one scope and disarms it on the way out.
class TaskAllocationFault
{
public:
    explicit TaskAllocationFault(unsigned n) { failNthTaskAllocation(n); }
    TaskAllocationFault(const TaskAllocationFault&) = delete;
    TaskAllocationFault& operator=(const TaskAllocationFault&) = delete;
    ~TaskAllocationFault() { failNthTaskAllocation(0); }
};

} // namespace vetrel::platform
