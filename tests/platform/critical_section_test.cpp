// CRITICAL_SECTION: the owning thread enters again without waiting, and the
// section is only free to other threads once each Enter has had its Leave.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <windows.h>

namespace {

constexpr int kRounds = 20000;

struct Shared {
    CRITICAL_SECTION section;
    long count = 0;
};

// Each round enters twice and counts between the inner and the outer Leave:
// a section freed by the inner Leave would let two threads count at once.
void CountNested(Shared* shared) {
    for (int i = 0; i < kRounds; ++i) {
        EnterCriticalSection(&shared->section);
        EnterCriticalSection(&shared->section);
        LeaveCriticalSection(&shared->section);
        const long seen = shared->count;
        std::this_thread::yield();
        shared->count = seen + 1;
        LeaveCriticalSection(&shared->section);
    }
}

}  // namespace

TEST(CriticalSection, NestedEntriesKeepOtherThreadsOut) {
    Shared shared;
    InitializeCriticalSection(&shared.section);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) threads.emplace_back(CountNested, &shared);
    for (std::thread& thread : threads) thread.join();
    DeleteCriticalSection(&shared.section);
    EXPECT_EQ(shared.count, 3L * kRounds);
}

TEST(CriticalSection, CanBeInitializedAgainAfterDelete) {
    CRITICAL_SECTION section;
    for (int round = 0; round < 2; ++round) {
        InitializeCriticalSection(&section);
        EnterCriticalSection(&section);
        EnterCriticalSection(&section);
        LeaveCriticalSection(&section);
        LeaveCriticalSection(&section);
        DeleteCriticalSection(&section);
    }
    // Free once more after its last Leave: another thread takes it at once.
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    LeaveCriticalSection(&section);
    bool entered = false;
    std::thread([&] {
        EnterCriticalSection(&section);
        entered = true;
        LeaveCriticalSection(&section);
    }).join();
    DeleteCriticalSection(&section);
    EXPECT_TRUE(entered);
}
