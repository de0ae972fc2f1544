// The failure hook: makes a chosen call of a chosen operation fail with a
// chosen error code, for faults that real files cannot provoke.
#include <mutex>
#include <vector>

#include "ruvexa_host.h"

namespace host {
namespace {

struct ArmedFailure {
    Op op;
    DWORD error;
    unsigned callsLeft;  // 1 = the next call fails
};

std::mutex g_mutex;
std::vector<ArmedFailure> g_armed;

}  // namespace

void FailCall(Op op, DWORD error, unsigned nth) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_armed.push_back({op, error, nth == 0 ? 1 : nth});
}

void ClearFailures() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_armed.clear();
}

bool ShouldFail(Op op) {
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
