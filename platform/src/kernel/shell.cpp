// ShellExecuteExW: starts a device file as a detached host process.
//
// The device has no permission bits, so a file written by an upgrade is as
// runnable as any other: a "#!" script runs through its interpreter and an
// ELF file is executed from a sealed in-memory copy, whatever its mode bits.
// Anything else fails with ERROR_BAD_EXE_FORMAT. A bare name such as
// "explorer.exe" is looked up in \Windows\.
#include <shellapi.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "error.h"
#include "handle.h"
#include "host_report.h"
#include "ruvexa_host.h"
#include "search_report.h"

extern char** environ;

namespace host {
namespace {

// The started program runs detached; its handle only has to be closable.
class Process : public KernelObject {};

std::wstring DevicePathOf(LPCWSTR file) {
    std::wstring path = file;
    if (path.find(L'\\') == std::wstring::npos) return L"\\Windows\\" + path;
    return path;
}

std::vector<std::string> SplitParameters(LPCWSTR parameters) {
    std::vector<std::string> words;
    if (!parameters) return words;
    std::string text = WideToUtf8(parameters);
    size_t start = 0;
    while ((start = text.find_first_not_of(' ', start)) != std::string::npos) {
        size_t end = text.find(' ', start);
        words.push_back(text.substr(start, end - start));
        start = end;
    }
    return words;
}

// The file's first line (at most what an interpreter line may hold), which
// tells a script ("#!") from an ELF file and names a script's interpreter.
std::string FirstLineOf(const std::string& hostPath) {
    std::string head(4096, '\0');
    std::ifstream in(hostPath, std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return head.substr(0, head.find('\n'));
}

// The interpreter line of a script, split into its program and argument.
std::vector<std::string> InterpreterOf(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words;
    if (line.size() < 2) return words;
    std::string rest = line.substr(2);
    size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos) return words;
    size_t end = rest.find_first_of(" \t", start);
    words.push_back(rest.substr(start, end - start));
    if (end != std::string::npos) {
        size_t argStart = rest.find_first_not_of(" \t", end);
        if (argStart != std::string::npos) words.push_back(rest.substr(argStart));
    }
    return words;
}

// A sealed in-memory copy of an ELF file, which runs whatever the file's
// mode bits say; -1 when it cannot be made.
int InMemoryCopyOf(const std::string& hostPath) {
    int copy = memfd_create("ruvexa-launch", MFD_CLOEXEC);
    int source = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    bool copied = copy >= 0 && source >= 0;
    char buffer[65536];
    ssize_t count;
    while (copied && (count = read(source, buffer, sizeof(buffer))) != 0) {
        copied = count > 0 && write(copy, buffer, static_cast<size_t>(count)) == count;
    }
    if (source >= 0) close(source);
    if (!copied && copy >= 0) {
        close(copy);
        copy = -1;
    }
    return copy;
}

// The child's side: detach, then replace itself with the program. Only
// async-signal-safe calls here: the launcher has other threads. Reports
// errno through `reportFd` when it cannot.
[[noreturn]] void RunDetached(const char* folder, int programFd, char* const* argv, int reportFd) {
    setsid();
    if (fork() != 0) _exit(0);  // the grandchild is adopted by init: no zombie

    if (chdir(folder) == 0) {
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) dup2(devNull, STDIN_FILENO);
        if (programFd >= 0) {
            fexecve(programFd, argv, environ);
        } else {
            execvp(argv[0], argv);
        }
    }
    int err = errno;
    (void)!write(reportFd, &err, sizeof(err));
    _exit(127);
}

}  // namespace
}  // namespace host

namespace host {
namespace {

// A file the host cannot start fails as the device's loader fails on a
// foreign executable; the host says why on standard error.
BOOL FailAsNoProgram(const std::wstring& devicePath, const std::wstring& why) {
    ReportToHost(L"ruvexa-host: cannot start " + devicePath + L": " + why);
    return Fail(ERROR_BAD_EXE_FORMAT);
}

BOOL Launch(LPSHELLEXECUTEINFOW info) {
    const std::wstring devicePath = host::DevicePathOf(info->lpFile);
    std::string hostPath;
    if (!host::HostPathOf(devicePath, &hostPath)) return FALSE;

    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0) return host::FailWithErrno(errno);
    if (S_ISDIR(st.st_mode)) return host::Fail(ERROR_ACCESS_DENIED);

    const std::string firstLine = host::FirstLineOf(hostPath);
    bool isScript = firstLine.rfind("#!", 0) == 0;
    bool isElf = firstLine.rfind("\x7f" "ELF", 0) == 0;
    if (!isScript && !isElf) {
        return FailAsNoProgram(devicePath, L"it is no program the host can run (no #! line, not ELF)");
    }

    // The command line is made here, not in the child, which must not fail
    // on anything but the exec itself.
    std::vector<std::string> words;
    if (isScript) {
        words = host::InterpreterOf(firstLine);
        if (words.empty()) return FailAsNoProgram(devicePath, L"its #! line names no interpreter");
    }
    words.push_back(hostPath);
    for (auto& word : host::SplitParameters(info->lpParameters)) words.push_back(std::move(word));

    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string folder = hostPath.substr(0, hostPath.rfind('/') + 1);
    int programFd = isScript ? -1 : host::InMemoryCopyOf(hostPath);
    if (!isScript && programFd < 0) return host::FailWithErrno(errno);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        int err = errno;
        if (programFd >= 0) close(programFd);
        return host::FailWithErrno(err);
    }
    pid_t child = fork();
    if (child == 0) host::RunDetached(folder.c_str(), programFd, argv.data(), report[1]);
    int forkError = errno;
    close(report[1]);
    if (programFd >= 0) close(programFd);
    if (child < 0) {
        close(report[0]);
        return host::FailWithErrno(forkError);
    }
    int childError = 0;
    ssize_t got = read(report[0], &childError, sizeof(childError));
    close(report[0]);
    waitpid(child, nullptr, 0);
    if (got == sizeof(childError)) {
        // An interpreter that cannot be found makes the file unrunnable here.
        if (childError == ENOENT || childError == ENOEXEC) {
            return FailAsNoProgram(devicePath, isScript ? L"its interpreter " + host::Utf8ToWide(words[0]) +
                                                              L" cannot be run on the host"
                                                        : L"the host cannot run this ELF file");
        }
        return host::FailWithErrno(childError);
    }
    host::NoteStartedProgram(devicePath);
    info->hInstApp = reinterpret_cast<HINSTANCE>(42);  // > 32: success
    info->hProcess = (info->fMask & SEE_MASK_NOCLOSEPROCESS)
                         ? host::RegisterHandle(std::make_shared<host::Process>())
                         : NULL;
    return TRUE;
}

// A failed launch reports its reason in hInstApp too, as a value of 32 or
// less: the last error where it is one of those, else the nearest.
HINSTANCE FailureInstance(DWORD error) {
    DWORD code = error == ERROR_BAD_EXE_FORMAT ? ERROR_BAD_FORMAT : error <= 32 ? error : SE_ERR_NOASSOC;
    return reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(code));
}

}  // namespace
}  // namespace host

extern "C" BOOL WINAPI ShellExecuteExW(LPSHELLEXECUTEINFOW info) {
    if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOW) || !info->lpFile) {
        return host::Fail(ERROR_INVALID_PARAMETER);
    }
    if (!host::ShouldFail(host::Op::ShellExecuteExW) && host::Launch(info)) return TRUE;
    info->hInstApp = host::FailureInstance(GetLastError());
    return FALSE;
}
