#include "test_support.h"

#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "ruvexa_host.h"

namespace fs = std::filesystem;

extern char** environ;

namespace testing_support {

TempDevice::TempDevice() {
    std::string pattern = (fs::temp_directory_path() / "ruvexa-device-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    host::SetDeviceRoot(root_);
}

TempDevice::~TempDevice() {
    std::error_code ec;
    // Read-only files and folders must become writable before removal.
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::end(it); ++it) {
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
    }
    fs::remove_all(root_, ec);
}

std::string TempDevice::Host(const std::wstring& devicePath) const {
    std::string path = host::WideToUtf8(devicePath);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path.empty() || path[0] != '/') path = "/" + path;
    return root_ + path;
}

void TempDevice::MakeFolder(const std::wstring& devicePath) const {
    fs::create_directories(Host(devicePath));
}

void TempDevice::WriteFile(const std::wstring& devicePath, const std::string& bytes) const {
    WriteHostFile(Host(devicePath), bytes);
}

std::string TempDevice::ReadFile(const std::wstring& devicePath) const { return ReadHostFile(Host(devicePath)); }

bool TempDevice::Exists(const std::wstring& devicePath) const {
    struct stat st;
    return lstat(Host(devicePath).c_str(), &st) == 0;
}

void TempDevice::SetReadOnly(const std::wstring& devicePath, bool readOnly) const {
    auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (readOnly) {
        fs::permissions(Host(devicePath), writeBits, fs::perm_options::remove);
    } else {
        fs::permissions(Host(devicePath), fs::perms::owner_write, fs::perm_options::add);
    }
}

namespace {
std::mutex g_logMutex;
std::string g_log;
}  // namespace

LogCapture::LogCapture() {
    Clear();
    host::SetLogSink([](std::string_view text) {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_log.append(text);
    });
}

LogCapture::~LogCapture() { host::SetLogSink(nullptr); }

std::string LogCapture::Text() const {
    std::lock_guard<std::mutex> lock(g_logMutex);
    return g_log;
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_log.clear();
}

std::vector<std::string> LogCapture::Lines() const { return SplitLogLines(Text()); }

std::vector<std::string> SplitLogLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> LogCapture::MaskedLines() const {
    std::vector<std::string> lines = Lines();
    for (auto& line : lines) line = MaskTicks(line);
    return lines;
}

std::vector<std::string> Concat(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool AppearsSoon(const TempDevice& device, const std::wstring& devicePath) {
    return WaitUntil([&] { return device.Exists(devicePath); }, std::chrono::seconds(10));
}

void RunOnStackOf(size_t stackBytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (pthread_attr_setstacksize(&attributes, stackBytes) != 0) throw std::runtime_error("stack size refused");
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    if (pthread_create(&thread, &attributes, body, const_cast<std::function<void()>*>(&work)) != 0) {
        throw std::runtime_error("pthread_create failed");
    }
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

Tree SnapshotOf(const std::string& hostFolder) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(hostFolder)) {
        std::string key = fs::relative(entry.path(), hostFolder).generic_string();
        tree[key] = entry.is_directory() ? std::string(kFolderMark) : ReadHostFile(entry.path().string());
    }
    return tree;
}

std::string TreeDifference(const Tree& actual, const Tree& expected) {
    std::ostringstream difference;
    for (const auto& [key, bytes] : expected) {
        auto found = actual.find(key);
        if (found == actual.end()) {
            difference << "missing: " << key << "\n";
        } else if (found->second != bytes) {
            difference << "different: " << key << " (" << found->second.size() << " bytes, expected " << bytes.size()
                       << ")\n";
        }
    }
    for (const auto& entry : actual) {
        if (!expected.count(entry.first)) difference << "unexpected: " << entry.first << "\n";
    }
    return difference.str();
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

pid_t Start(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
            const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    return pid;
}

int WaitFor(pid_t process) {
    int status = 0;
    while (waitpid(process, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunAndWait(const std::string& program, const std::vector<std::string>& arguments, const std::string& outPath,
               const std::string& errPath) {
    return WaitFor(Start(program, arguments, outPath, errPath));
}

std::string MaskTicks(const std::string& line) {
    static const std::regex tick(R"(at=\[-?[0-9]+\])");
    return std::regex_replace(line, tick, "at=[*]");
}

}  // namespace testing_support
