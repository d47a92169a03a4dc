#include "platform/alloc_fault.h"
#include "platform/task_mem.h"
#include "vetrel/com.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <thread>
#include <vector>

using vetrel::TaskMem;
using vetrel::platform::failNthTaskAllocation;
using vetrel::platform::TaskAllocationFault;

namespace {

IMalloc* taskMalloc()
{
    IMalloc* malloc = nullptr;
    EXPECT_EQ(CoGetMalloc(MEMCTX_TASK, &malloc), S_OK);
    return malloc;
}

TEST(TaskAllocator, AllocatesResizesAndFrees)
{
    IMalloc* malloc = taskMalloc();
    ASSERT_NE(malloc, nullptr);

    auto* block = static_cast<char*>(CoTaskMemAlloc(10));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "123456789", 10);
    EXPECT_EQ(malloc->GetSize(block), 10u);
    EXPECT_EQ(malloc->DidAlloc(block), 1);

    block = static_cast<char*>(CoTaskMemRealloc(block, 4000));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "123456789") << "growing keeps the contents";
    EXPECT_EQ(malloc->GetSize(block), 4000u);
    EXPECT_EQ(CoTaskMemRealloc(block, 0), nullptr) << "resizing to nothing frees";

    void* fromMalloc = malloc->Alloc(0);
    ASSERT_NE(fromMalloc, nullptr) << "an empty block is still a block";
    EXPECT_EQ(malloc->GetSize(fromMalloc), 0u);
    void* fromNothing = CoTaskMemRealloc(nullptr, 8);
    ASSERT_NE(fromNothing, nullptr);
    EXPECT_EQ(malloc->GetSize(fromNothing), 8u);
    malloc->Free(fromMalloc);
    CoTaskMemFree(fromNothing);
    CoTaskMemFree(nullptr);

    int onStack = 0;
    EXPECT_EQ(malloc->DidAlloc(&onStack), 0);
    EXPECT_EQ(malloc->DidAlloc(nullptr), -1);
    EXPECT_EQ(malloc->GetSize(nullptr), static_cast<SIZE_T>(-1));
    malloc->Release();
}

TEST(TaskAllocator, IsOneObjectForTheTaskContextOnly)
{
    IMalloc* first = taskMalloc();
    IMalloc* second = taskMalloc();
    EXPECT_EQ(first, second);
    void* queried = nullptr;
    EXPECT_EQ(first->QueryInterface(IID_IMalloc, &queried), S_OK);
    EXPECT_EQ(queried, static_cast<void*>(first));
    static_cast<IMalloc*>(queried)->Release();
    first->Release();
    second->Release();

    IMalloc* shared = first;
    EXPECT_EQ(CoGetMalloc(MEMCTX_SHARED, &shared), E_INVALIDARG);
    EXPECT_EQ(shared, nullptr);
}

TEST(TaskAllocationFault, FailsOnlyTheChosenAllocation)
{
    IMalloc* malloc = taskMalloc();
    void* first = CoTaskMemAlloc(16);
    ASSERT_NE(first, nullptr);

    failNthTaskAllocation(3);
    void* second = CoTaskMemAlloc(16);
    void* grown = CoTaskMemRealloc(first, 32);
    void* third = malloc->Alloc(16);
    void* fourth = CoTaskMemAlloc(16);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(grown, nullptr);
    EXPECT_EQ(third, nullptr) << "the third allocation from the hook on fails";
    EXPECT_NE(fourth, nullptr) << "later allocations succeed again";
    if (grown) first = grown;

    void* inScope = nullptr;
    {
        TaskAllocationFault fault(2);
        inScope = CoTaskMemAlloc(16);
        EXPECT_NE(inScope, nullptr);
        EXPECT_EQ(malloc->Realloc(nullptr, 16), nullptr) << "a reallocation from nothing counts";
    }
    {
        TaskAllocationFault fault(3);
    }
    void* afterScope = CoTaskMemAlloc(16);
    void* afterScope2 = CoTaskMemAlloc(16);
    void* afterScope3 = CoTaskMemAlloc(16);
    EXPECT_TRUE(afterScope && afterScope2 && afterScope3) << "leaving the scope disarms the hook";

    // A failed reallocation leaves the block as it was.
    std::memcpy(first, "kept", 5);
    failNthTaskAllocation(1);
    EXPECT_EQ(CoTaskMemRealloc(first, 64), nullptr);
    EXPECT_STREQ(static_cast<char*>(first), "kept");

    // Freeing through a reallocation allocates nothing, so it does not count.
    void* freedByResize = CoTaskMemAlloc(16);
    failNthTaskAllocation(2);
    EXPECT_EQ(CoTaskMemRealloc(freedByResize, 0), nullptr);
    void* counted = malloc->Alloc(16);
    EXPECT_NE(counted, nullptr);
    EXPECT_EQ(malloc->Alloc(16), nullptr);

    failNthTaskAllocation(5);
    failNthTaskAllocation(0);
    void* disarmed = CoTaskMemAlloc(16);
    EXPECT_NE(disarmed, nullptr);

    for (void* block : {first, second, third, fourth, inScope, afterScope, afterScope2, afterScope3,
                        counted, disarmed})
        CoTaskMemFree(block);
    malloc->Release();
}

TEST(TaskAllocator, ServesManyThreadsAtOnce)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 500;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                auto* block = static_cast<int*>(CoTaskMemAlloc(sizeof(int)));
                if (!block) {
                    ++failures;
                    continue;
                }
                *block = t;
                block = static_cast<int*>(CoTaskMemRealloc(block, 64 * sizeof(int)));
                if (!block || *block != t) ++failures;
                CoTaskMemFree(block);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(TaskMem, OwnsItsBlockUntilReleased)
{
    IMalloc* malloc = taskMalloc();
    auto values = TaskMem<DWORD>::allocate(4);
    ASSERT_TRUE(values);
    EXPECT_EQ(values.size(), 4u);
    EXPECT_EQ(malloc->GetSize(values.get()), 4 * sizeof(DWORD));
    for (DWORD i = 0; i < 4; ++i) values[i] = i * 10;

    TaskMem<DWORD> moved = std::move(values);
    EXPECT_FALSE(values);
    EXPECT_EQ(moved[3], 30u);

    DWORD* handedOver = moved.release();
    EXPECT_FALSE(moved);
    EXPECT_EQ(malloc->DidAlloc(handedOver), 1) << "release must not free";
    auto adopted = TaskMem<DWORD>::adopt(handedOver, 4);
    EXPECT_EQ(adopted[1], 10u);
    adopted.reset();
    EXPECT_FALSE(adopted);

    {
        TaskAllocationFault fault(1);
        EXPECT_FALSE(TaskMem<DWORD>::allocate(4));
    }
    EXPECT_FALSE(TaskMem<DWORD>::allocate(std::numeric_limits<size_t>::max() / 2))
        << "a size that overflows gives an empty block";
    malloc->Release();
}

} // namespace
