#include "test_support.h"

#include <pthread.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <filesystem>
#include <mutex>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "ruvexa_host.h"

namespace fs = std::filesystem;

namespace testing_support {

TempDevice::TempDevice() : TempFolder("ruvexa-device-") { host::SetDeviceRoot(Root()); }

std::string TempDevice::Host(const std::wstring& devicePath) const {
    std::string path = host::WideToUtf8(devicePath);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path.empty() || path[0] != '/') path = "/" + path;
    return Root() + path;
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

bool TempDevice::KeepsExtendedAttributes() const {
    Write(".xattr-probe", "");
    const bool kept = setxattr(Path(".xattr-probe").c_str(), "user.probe", "1", 1, 0) == 0;
    fs::remove(Path(".xattr-probe"));
    return kept;
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

std::vector<std::string> SplitLogLines(const std::string& text, const std::string& separator) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size()) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> LogCapture::MaskedLines() const { return MaskedLogLines(Text()); }

std::vector<std::string> MaskedLogLines(const std::string& text) {
    std::vector<std::string> lines = SplitLogLines(text);
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

std::string MaskTicks(const std::string& line) {
    static const std::regex tick(R"((at|took)=\[-?[0-9]+\])");
    return std::regex_replace(line, tick, "$1=[*]");
}

}  // namespace testing_support
