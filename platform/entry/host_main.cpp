// The host's process entry: parses the host options, sets the layer up as
// the device they describe, and runs the program's WinMain once per boot.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "device_clock.h"
#include "device_lock.h"
#include "host_exit_status.h"
#include "host_options.h"
#include "host_screen_setup.h"
#include "host_signals.h"
#include "ruvexa_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

namespace {

// The log goes straight to the file with write(2): every text is on disk
// when the call returns, so a reset or power cut loses nothing.
void SendLogTo(int fd) {
    host::SetLogSink([fd](std::string_view text) {
        const char* data = text.data();
        size_t left = text.size();
        while (left > 0) {
            ssize_t written = write(fd, data, left);
            if (written <= 0) return;
            data += written;
            left -= static_cast<size_t>(written);
        }
    });
}

void WriteCallCounts(const std::string& path) {
    const std::string report = host::CallCountsReport();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    (void)!write(fd, report.data(), report.size());
    close(fd);
}

void SwitchOffAfter(unsigned long deviceMs) {
    std::thread([deviceMs] {
        std::this_thread::sleep_for(host::RealDurationOf(static_cast<double>(deviceMs)));
        host::EndBoot(host::kExitSwitchedOff, "switched off");
    }).detach();
}

[[noreturn]] void RunBoot(const host::HostOptions& options, int logFd) {
    host::LeaveDeviceFolderLockToSupervisor();
    host::RestartDeviceClock();
    host::SetDeviceRoot(options.deviceRoot);
    host::SetTimeScale(options.timeScale);
    host::SetResetDriverPresent(options.resetDriver);
    host::SetOemInfo(options.oemInfo);
    for (const auto& [volume, visibleAtMs] : options.media) {
        host::SetVolumeVisibleAt(volume, static_cast<DWORD>(visibleAtMs));
    }
    for (const auto& [volume, bytes] : options.volumeSizes) host::SetVolumeCapacity(volume, bytes);
    if (logFd >= 0) SendLogTo(logFd);
    host::EndOnTerminationSignals();
    host::ForwardTerminationSignalsTo(0);
    host::HoldTerminationSignals(false);
    host::SetUpScreen(options);
    if (options.powerOff) {
        SwitchOffAfter(options.powerOffAfterMs);
    } else {
        // Without a set time to switch off, a run nobody watches would wait
        // for ever on a device that has stopped: it ends, naming the message
        // box it stopped on, else what the screen shows. A window keeps the
        // device up for its user.
        host::SetHaltedHook([] {
            std::string box = host::WideToUtf8(host::MessageBoxSaidLast());
            std::string shown = host::WideToUtf8(host::LatestScreenText());
            host::EndBoot(host::kExitHalted, !box.empty()     ? "device halted after the message box " + box
                                             : shown.empty() ? "device halted"
                                                             : "device halted: " + shown);
        });
    }
    if (!options.callCountsFile.empty()) {
        host::AddEndOfBootHook([path = options.callCountsFile] { WriteCallCounts(path); });
    }

    WCHAR commandLine[] = L"";
    int exitCode = WinMain(reinterpret_cast<HINSTANCE>(1), NULL, commandLine, SW_SHOW);
    host::EndBoot(exitCode, "the program ended");
}

// Why a boot starts: power-on, or the way the one before it ended.
std::string WhyBootStarts(unsigned long boot, int previousStatus, const host::HostOptions& options) {
    if (boot == 1) return "power-on";
    switch (previousStatus) {
        case 0: return "after the user switched the device off and on again";
        case host::kExitResetDriver: return "after a reset through AIP1:";
        case host::kExitPowerStateReset: return "after a forced power-state reset";
        default: return "after a power cut at change " + std::to_string(options.powerCutAfter);
    }
}

// A --fail or --power-cut-after the run never came to, with what the run did
// instead: the option was aimed past its end.
void ReportWhatNeverFired(const host::HostOptions& options) {
    for (const auto& failure : options.failures) {
        const unsigned long calls = host::CallsInRun(failure.op);
        if (calls >= failure.nth) continue;
        std::fprintf(stderr, "ruvexa-host: --fail %s never fired: the run made %lu %s calls\n", failure.text.c_str(),
                     calls, std::string(host::OpName(failure.op)).c_str());
    }
    const unsigned long changes = host::FileSystemChangesInRun();
    if (options.powerCutAfter > 0 && changes < options.powerCutAfter) {
        std::fprintf(stderr, "ruvexa-host: --power-cut-after %lu never fired: the run made %lu file-system changes\n",
                     options.powerCutAfter, changes);
    }
}

// Runs the boots, each a forked process, and returns the status of the
// last. A boot reports its own ending; one ended by a signal cannot.
int Supervise(const host::HostOptions& options, int logFd) {
    int status = 0;
    unsigned long boot = 1;
    for (;; ++boot) {
        if (options.boots > 1) {
            std::fprintf(stderr, "ruvexa-host: boot %lu: %s\n", boot, WhyBootStarts(boot, status, options).c_str());
        }
        std::fflush(nullptr);
        host::HoldTerminationSignals(true);
        pid_t child = fork();
        if (child < 0) {
            std::perror("ruvexa: fork");
            return 1;
        }
        if (child == 0) RunBoot(options, logFd);
        host::ForwardTerminationSignalsTo(child);
        host::HoldTerminationSignals(false);
        int waitStatus = 0;
        while (waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
        }
        host::ForwardTerminationSignalsTo(0);
        if (WIFEXITED(waitStatus)) {
            status = WEXITSTATUS(waitStatus);
        } else {
            status = host::kExitSignalBase + WTERMSIG(waitStatus);
            std::fprintf(stderr, "ruvexa-host: boot %lu ended by signal %d (exit %d)\n", boot, WTERMSIG(waitStatus),
                         status);
        }
        // After a reset, or when power returns after a cut, the device boots
        // again; after the program ended by itself, when the user switches
        // it off and on.
        bool bootsAgain = status == host::kExitResetDriver || status == host::kExitPowerStateReset ||
                          status == host::kExitPowerCut || (status == 0 && options.switchOnAgain);
        if (!bootsAgain || boot == options.boots) break;
    }
    ReportWhatNeverFired(options);
    if (options.boots > 1) std::fprintf(stderr, "ruvexa-host: the run ended after boot %lu (exit %d)\n", boot, status);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    host::HostOptions options;
    bool help = false;
    std::string error;
    if (!host::ParseHostOptions(argc, argv, &options, &help, &error)) {
        std::fprintf(stderr, "ruvexa: %s\nsee ruvexa --help\n", error.c_str());
        return host::kExitBadOptions;
    }
    if (help) {
        std::fputs(host::HostUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("ruvexa %s (host build)\n", RUVEXA_VERSION);
        return 0;
    }
    struct stat st;
    if (stat(options.deviceRoot.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "ruvexa: the device root %s is not a folder\nsee ruvexa --help\n",
                     options.deviceRoot.c_str());
        return host::kExitBadOptions;
    }
    if (!host::LockDeviceFolder(options.deviceRoot, &error)) {
        std::fprintf(stderr, "ruvexa: %s\n", error.c_str());
        return host::kExitBadOptions;
    }
    int logFd = -1;
    if (!options.logFile.empty()) {
        logFd = open(options.logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (logFd < 0) {
            std::fprintf(stderr, "ruvexa: cannot write the log %s: %s\n", options.logFile.c_str(),
                         std::strerror(errno));
            return host::kExitBadOptions;
        }
    }
    if (!host::CheckScreenOutputs(options, &error)) {
        std::fprintf(stderr, "ruvexa: %s\n", error.c_str());
        return host::kExitBadOptions;
    }
    if (!options.callCountsFile.empty()) {
        int fd = open(options.callCountsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::fprintf(stderr, "ruvexa: cannot write the call counts %s: %s\n", options.callCountsFile.c_str(),
                         std::strerror(errno));
            return host::kExitBadOptions;
        }
        close(fd);
    }
    host::SetPowerCutAfter(options.powerCutAfter);
    host::CountCallsAcrossBoots();
    for (const auto& failure : options.failures) {
        host::FailCallInRun(failure.op, static_cast<DWORD>(failure.error), failure.nth);
    }
    host::SetLoseUnflushedData(options.loseUnflushed);
    host::SetSyncFlushes(options.syncFlushes);
    host::EndOnTerminationSignals();
    return Supervise(options, logFd);
}
