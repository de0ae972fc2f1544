// SIGINT and SIGTERM: a run ends with 128 and the signal's number, and a
// supervisor passes the signal on to the boot that runs.
#include "host_signals.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host_exit_status.h"

namespace host {
namespace {

volatile sig_atomic_t g_boot = 0;

// Only async-signal-safe calls: the program's threads may hold any lock.
void EndOnSignal(int signal) {
    if (g_boot > 0) {
        // The boot's process reports it; the supervisor ends with the same
        // status once it has, so that its report is written when the run ends.
        const auto boot = static_cast<pid_t>(g_boot);
        kill(boot, signal);
        while (waitpid(boot, nullptr, 0) < 0 && errno == EINTR) {
        }
    } else {
        const char* text = signal == SIGINT ? "ruvexa-host: interrupted by SIGINT (exit 130)\n"
                                            : "ruvexa-host: terminated by SIGTERM (exit 143)\n";
        ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
        (void)ignored;
    }
    _exit(kExitSignalBase + signal);
}

}  // namespace

void EndOnTerminationSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = EndOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void ForwardTerminationSignalsTo(pid_t boot) { g_boot = boot; }

void HoldTerminationSignals(bool hold) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &signals, nullptr);
}

}  // namespace host
