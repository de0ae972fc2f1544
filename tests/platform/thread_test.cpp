// CreateThread and the handle it returns; the interlocked operations;
// LocalAlloc and LocalFree; a worker's PostMessageW in a program without the
// window manager.
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "ruvexa_host.h"

namespace {

struct Job {
    std::promise<LPVOID> started;
    std::promise<void> mayFinish;
};

DWORD WINAPI RunJob(LPVOID parameter) {
    auto* job = static_cast<Job*>(parameter);
    std::future<void> mayFinish = job->mayFinish.get_future();
    job->started.set_value(parameter);
    mayFinish.wait();
    return 0;
}

}  // namespace

TEST(Thread, RunsTheRoutineWithItsParameterBeyondCloseHandle) {
    // Never destroyed: the detached thread may still be leaving the promises
    // when the test, or the process, ends.
    static Job* const job = new Job;
    std::future<LPVOID> started = job->started.get_future();
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, RunJob, job, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(started.get(), job);
    // Closing the handle leaves the running thread alone.
    EXPECT_TRUE(CloseHandle(thread));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    job->mayFinish.set_value();
}

TEST(Thread, FailsWithTheArmedErrorOrWhenAskedToSuspend) {
    host::FailCall(host::Op::CreateThread, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateThread(nullptr, 0, RunJob, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateThread(nullptr, 0, RunJob, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    host::ClearFailures();
}

TEST(LocalMemory, ZeroFillsAndFailsWithTheArmedError) {
    auto* block = static_cast<unsigned char*>(LocalAlloc(LPTR, 64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0) << i;
    EXPECT_EQ(LocalFree(block), nullptr);

    host::FailCall(host::Op::LocalAlloc, ERROR_OUTOFMEMORY);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LocalAlloc(LMEM_FIXED, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));

#ifndef __SANITIZE_ADDRESS__  // the sanitizer aborts on a request it cannot serve
    SIZE_T impossible = ~static_cast<SIZE_T>(0) / 2;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LocalAlloc(LMEM_FIXED, impossible), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
#endif
    host::ClearFailures();
}

// These tests link only the core: no window exists to post to, nor a queue
// for the thread's own messages.
TEST(Thread, PostingWithoutTheWindowManagerFindsNoWindow) {
    for (HWND window : {reinterpret_cast<HWND>(0x1234), static_cast<HWND>(nullptr)}) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    }
}

// Adds from several threads lose nothing; each call returns the value before
// it, and the sum goes on past 2^31 as the unsigned count a caller reads.
TEST(Interlocked, AddsFromManyThreadsAndExchangesWholeValues) {
    LONG volatile value = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&value] {
            for (int i = 0; i < 10000; ++i) InterlockedExchangeAdd(&value, 3);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(value, 120000);
    EXPECT_EQ(InterlockedExchange(&value, 0x7FFFFFFF), 120000);
    EXPECT_EQ(InterlockedExchangeAdd(&value, 2), 0x7FFFFFFF);
    EXPECT_EQ(static_cast<DWORD>(value), 0x80000001u);
}
