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
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "error.h"
#include "handle.h"
#include "ruvexa_host.h"

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

// The interpreter line of a script, split into its program and argument.
std::vector<std::string> InterpreterOf(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words;
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

// The child's side: detach, then replace itself with the program. Reports
// errno through `reportFd` when it cannot.
[[noreturn]] void RunDetached(const std::string& hostPath, bool isScript, const std::vector<std::string>& params,
                              int reportFd) {
    setsid();
    if (fork() != 0) _exit(0);  // the grandchild is adopted by init: no zombie

    std::string folder = hostPath.substr(0, hostPath.rfind('/') + 1);
    if (chdir(folder.c_str()) != 0) {
        int err = errno;
        (void)!write(reportFd, &err, sizeof(err));
        _exit(127);
    }
    int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);

    std::vector<std::string> words;
    int programFd = -1;
    if (isScript) {
        words = InterpreterOf(hostPath);
        words.push_back(hostPath);
    } else {
        // A sealed in-memory copy runs whatever the file's mode bits say.
        programFd = memfd_create("ruvexa-launch", MFD_CLOEXEC);
        int source = open(hostPath.c_str(), O_RDONLY);
        char buffer[65536];
        ssize_t count;
        while (programFd >= 0 && source >= 0 && (count = read(source, buffer, sizeof(buffer))) > 0) {
            if (write(programFd, buffer, static_cast<size_t>(count)) != count) break;
        }
        if (source >= 0) close(source);
        words.push_back(hostPath);
    }
    words.insert(words.end(), params.begin(), params.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    if (isScript) {
        execvp(argv[0], argv.data());
    } else if (programFd >= 0) {
        fexecve(programFd, argv.data(), environ);
    }
    int err = errno;
    (void)!write(reportFd, &err, sizeof(err));
    _exit(127);
}

}  // namespace
}  // namespace host

extern "C" BOOL WINAPI ShellExecuteExW(LPSHELLEXECUTEINFOW info) {
    if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOW) || !info->lpFile) {
        return host::Fail(ERROR_INVALID_PARAMETER);
    }
    std::string hostPath;
    if (!host::HostPathOf(host::DevicePathOf(info->lpFile), &hostPath)) return FALSE;

    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0) return host::FailWithErrno(errno);
    if (S_ISDIR(st.st_mode)) return host::Fail(ERROR_ACCESS_DENIED);

    char magic[4] = {};
    std::ifstream(hostPath, std::ios::binary).read(magic, sizeof(magic));
    bool isScript = magic[0] == '#' && magic[1] == '!';
    bool isElf = std::memcmp(magic, "\x7f" "ELF", 4) == 0;
    if (!isScript && !isElf) return host::Fail(ERROR_BAD_EXE_FORMAT);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return host::FailWithErrno(errno);
    std::vector<std::string> params = host::SplitParameters(info->lpParameters);
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return host::FailWithErrno(errno);
    }
    if (child == 0) {
        close(report[0]);
        host::RunDetached(hostPath, isScript, params, report[1]);
    }
    close(report[1]);
    int childError = 0;
    ssize_t got = read(report[0], &childError, sizeof(childError));
    close(report[0]);
    waitpid(child, nullptr, 0);
    if (got == sizeof(childError)) {
        // An interpreter that cannot be found makes the file unrunnable here.
        return host::Fail(childError == ENOENT || childError == ENOEXEC ? ERROR_BAD_EXE_FORMAT
                                                                         : host::ErrorFromErrno(childError));
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(42);  // > 32: success
    info->hProcess = (info->fMask & SEE_MASK_NOCLOSEPROCESS)
                         ? host::RegisterHandle(std::make_shared<host::Process>())
                         : NULL;
    return TRUE;
}
