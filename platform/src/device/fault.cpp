// The failure hook: makes a chosen call of a chosen operation fail with a
// chosen error code, for faults that real files cannot provoke. Failures
// armed by a test count from the arming; those of a run (--fail) count from
// the first boot, in memory the boots share.
#include <strings.h>
#include <sys/mman.h>

#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "ruvexa_host.h"

namespace host {
namespace {

constexpr size_t kOpCount = static_cast<size_t>(Op::Count);

// In the order of Op.
constexpr const char* kOpNames[] = {
    "CreateFileW",      "ReadFile",           "WriteFile",          "SetFilePointer",  "GetFileSize",
    "FlushFileBuffers", "CloseHandle",        "DeleteFileW",        "MoveFileW",       "CreateDirectoryW",
    "RemoveDirectoryW", "GetFileAttributesW", "SetFileAttributesW", "GetFileTime",     "SetFileTime",
    "FindFirstFileW",   "FindNextFileW",      "CreateThread",       "LocalAlloc",      "ShellExecuteExW",
};
static_assert(std::size(kOpNames) == kOpCount, "every operation of the failure hook needs exactly one name");

struct ArmedFailure {
    Op op;
    DWORD error;
    unsigned callsLeft;  // 1 = the next call fails
};

std::mutex g_mutex;
std::vector<ArmedFailure> g_armed;

constexpr size_t kMaxRunFailures = 64;

struct RunFailure {
    Op op;
    DWORD error;
    unsigned long nth;
};

// Shared by the boots of a run: the calls counted so far and the failures
// armed before the first boot.
struct RunCalls {
    std::atomic<unsigned long> calls[kOpCount];
    RunFailure failures[kMaxRunFailures];
    size_t failureCount;
};
RunCalls* g_run = nullptr;

// True, with the error set, when this call is the nth of a run failure.
bool RunFailureDue(Op op) {
    if (!g_run) return false;
    const unsigned long call = ++g_run->calls[static_cast<size_t>(op)];
    for (size_t i = 0; i < g_run->failureCount; ++i) {
        const RunFailure& failure = g_run->failures[i];
        if (failure.op == op && failure.nth == call) {
            SetLastError(failure.error);
            return true;
        }
    }
    return false;
}

}  // namespace

bool OpFromName(std::string_view name, Op* op) {
    for (size_t i = 0; i < kOpCount; ++i) {
        if (strcasecmp(std::string(name).c_str(), kOpNames[i]) == 0) {
            *op = static_cast<Op>(i);
            return true;
        }
    }
    return false;
}

std::string_view OpName(Op op) { return kOpNames[static_cast<size_t>(op)]; }

std::string OpNames() {
    std::string names;
    for (const char* name : kOpNames) names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

void FailCall(Op op, DWORD error, unsigned nth) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_armed.push_back({op, error, nth == 0 ? 1 : nth});
}

void ClearFailures() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_armed.clear();
}

void CountCallsAcrossBoots() {
    if (g_run) return;
    void* shared = mmap(nullptr, sizeof(RunCalls), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared != MAP_FAILED) g_run = new (shared) RunCalls{};
}

void FailCallInRun(Op op, DWORD error, unsigned long nth) {
    CountCallsAcrossBoots();
    if (!g_run || g_run->failureCount == kMaxRunFailures) return;
    g_run->failures[g_run->failureCount++] = {op, error, nth};
}

unsigned long CallsInRun(Op op) { return g_run ? g_run->calls[static_cast<size_t>(op)].load() : 0; }

std::string CallCountsReport() {
    std::string report;
    for (size_t i = 0; i < kOpCount; ++i) {
        report += std::string(kOpNames[i]) + " " + std::to_string(CallsInRun(static_cast<Op>(i))) + "\n";
    }
    return report;
}

bool ShouldFail(Op op) {
    if (RunFailureDue(op)) return true;
    std::lock_guard<std::mutex> lock(g_mutex);
    bool fail = false;
    DWORD error = 0;
    for (auto it = g_armed.begin(); it != g_armed.end();) {
        if (it->op == op && --it->callsLeft == 0) {
            if (!fail) {
                fail = true;
                error = it->error;
            }
            it = g_armed.erase(it);
        } else {
            ++it;
        }
    }
    if (fail) SetLastError(error);
    return fail;
}

}  // namespace host
