// Test support for the extraction worker: a real window that records the
// results posted to it, a download folder with a package and stale outputs,
// and checks of what a run leaves on disk.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "extraction.h"
#include "package_builder.h"
#include "result_messages.h"
#include "ruvexa_host.h"
#include "test_support.h"

namespace extraction_testing {

using Lines = std::vector<std::string>;

constexpr DWORD kMiB = 1024 * 1024;

// The download folder's paths, written out here rather than taken from the
// program's constants, so that a wrong constant shows.
const wchar_t kPackagePath[] = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN";
const wchar_t kExePath[] = L"\\Storage Card\\OV3_Download\\AppExecute.ex";
const wchar_t kImagesPath[] = L"\\Storage Card\\OV3_Download\\AppImages.zi";
const wchar_t kFontsPath[] = L"\\Storage Card\\OV3_Download\\AppFonts.zi";
const std::string kPackageLog = "\\Storage Card\\OV3_Download\\OV3_UPGRADE_7.BIN";
const std::string kExeLog = "\\Storage Card\\OV3_Download\\AppExecute.ex";
const std::string kImagesLog = "\\Storage Card\\OV3_Download\\AppImages.zi";
const std::string kFontsLog = "\\Storage Card\\OV3_Download\\AppFonts.zi";

// What an earlier run left at the output paths.
const std::string kStaleExe = "stale exe of an earlier run";
const std::string kStaleImages = "stale images of an earlier run";
const std::string kStaleFonts = "stale fonts of an earlier run";

constexpr UINT kSentinelMessage = WM_USER + 900;
constexpr UINT kLogLineMessage = WM_USER + 901;
constexpr UINT_PTR kGiveUpTimer = 4711;
// Device milliseconds; with the time scale below about a minute of real time,
// so a worker that never reports fails the test instead of hanging it.
constexpr UINT kGiveUpAfterMs = 60 * 1000 * 1000;
constexpr double kTimeScale = 1000;

struct Result {
    WPARAM wParam;
    LPCWSTR pointer;
    std::wstring text;  // read when the message is handled, after the worker is done
};

inline std::vector<Result> g_results;
inline bool g_sentinelSeen = false;
inline bool g_gaveUp = false;
// Log lines (tick masked) and results, in the order they entered the queue,
// while a PostedLogLines is alive.
inline std::vector<std::string> g_sequence;

inline LRESULT CALLBACK ResultRecorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_EXTRACTION_RESULT) {
        LPCWSTR text = reinterpret_cast<LPCWSTR>(lParam);
        g_results.push_back({wParam, text, text ? std::wstring(text) : std::wstring(L"(null)")});
        g_sequence.push_back("result " + std::to_string(wParam) + " " + host::WideToUtf8(g_results.back().text));
        return 0;
    }
    if (message == kLogLineMessage) {
        std::string* line = reinterpret_cast<std::string*>(lParam);
        g_sequence.push_back(testing_support::MaskTicks(line->substr(0, line->find("\r\n"))));
        delete line;
        return 0;
    }
    if (message == kSentinelMessage) {
        g_sentinelSeen = true;
        return 0;
    }
    if (message == WM_TIMER && wParam == kGiveUpTimer) {
        g_gaveUp = true;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Where a run leaves an output path.
enum class Left {
    Stale,    // the earlier run's file, untouched
    Absent,   // deleted, or never written
    Whole,    // the complete section
    FirstMiB  // a copy that stopped after its first 1 MiB chunk
};

// Posts every log line to `window` as it is written, behind whatever the
// worker posted before it, so the queue shows whether a result was posted
// before or after a clean-up step that logs. Replaces a LogCapture's sink
// while it lives.
class PostedLogLines {
public:
    explicit PostedLogLines(HWND window) {
        g_sequence.clear();
        host::SetLogSink([window](std::string_view text) {
            PostMessageW(window, kLogLineMessage, 0, reinterpret_cast<LPARAM>(new std::string(text)));
        });
    }
    ~PostedLogLines() { host::SetLogSink(nullptr); }
    PostedLogLines(const PostedLogLines&) = delete;
    PostedLogLines& operator=(const PostedLogLines&) = delete;
};

inline std::string Utf8(const std::wstring& text) { return host::WideToUtf8(text); }

class ExtractionTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetWindowManager();
        host::ClearFailures();
        host::SetTimeScale(kTimeScale);
        g_results.clear();
        g_sentinelSeen = false;
        g_gaveUp = false;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ResultRecorder;
        windowClass.lpszClassName = L"ExtractionResults";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
        window = CreateWindowExW(0, L"ExtractionResults", L"Results", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        device.MakeFolder(L"\\Storage Card\\OV3_Download");
        device.MakeFolder(L"\\NandFlash");
    }

    void TearDown() override {
        host::ClearFailures();
        host::ResetWindowManager();
        host::SetTimeScale(1);
    }

    // A package with all three sections, each a little over 1 MiB, so that a
    // failure can strike between two chunks of any section.
    static package_testing::PackageSpec LargePackage() {
        package_testing::PackageSpec spec;
        spec.exe = package_testing::RandomBytes(kMiB + 11, 101);
        spec.images = package_testing::RandomBytes(kMiB + 22, 102);
        spec.fonts = package_testing::RandomBytes(kMiB + 33, 103);
        return spec;
    }

    static package_testing::PackageSpec SmallPackage() {
        package_testing::PackageSpec spec;
        spec.exe = "MZ new main application";
        spec.images = "PK images archive";
        spec.fonts = "PK fonts archive";
        return spec;
    }

    void SeedStaleOutputs() const {
        device.WriteFile(kExePath, kStaleExe);
        device.WriteFile(kImagesPath, kStaleImages);
        device.WriteFile(kFontsPath, kStaleFonts);
    }

    // Runs the worker on this thread for the download folder's paths.
    DWORD RunWorker(HWND notify) {
        preparer = Preparer{};
        preparer.notify_window = notify;
        preparer.notify_message = WM_EXTRACTION_RESULT;
        preparer.upgrade_file = kPackagePath;
        preparer.exe_file = kExePath;
        preparer.images_file = kImagesPath;
        preparer.fonts_file = kFontsPath;
        preparer.error = 0xDEADBEEF;
        log.Clear();
        return ExtractThreadProc(&preparer);
    }

    // A result posted without a window arrives as a thread message that no
    // procedure sees; it is counted all the same.
    static void Handle(const MSG& msg) {
        if (msg.hwnd == nullptr) {
            ResultRecorder(nullptr, msg.message, msg.wParam, msg.lParam);
        } else {
            DispatchMessageW(&msg);
        }
    }

    // Everything posted so far: a sentinel goes behind it and the queue is
    // handled up to the sentinel.
    std::vector<Result> DrainResults() {
        g_sentinelSeen = false;
        EXPECT_TRUE(PostMessageW(window, kSentinelMessage, 0, 0));
        MSG msg;
        while (!g_sentinelSeen && GetMessageW(&msg, nullptr, 0, 0) > 0) Handle(msg);
        std::vector<Result> results = g_results;
        g_results.clear();
        return results;
    }

    // For a worker on its own thread: handles messages until a result comes
    // or the give-up timer fires. False when it gave up.
    bool WaitForResult() {
        SetTimer(window, kGiveUpTimer, kGiveUpAfterMs, nullptr);
        MSG msg;
        while (g_results.empty() && !g_gaveUp && GetMessageW(&msg, nullptr, 0, 0) > 0) Handle(msg);
        KillTimer(window, kGiveUpTimer);
        return !g_results.empty();
    }

    void ExpectOneFailure(const std::vector<Result>& results, const std::wstring& code) const {
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].wParam, 0u);
        EXPECT_EQ(Utf8(results[0].text), Utf8(code));
    }

    void ExpectOneSuccess(const std::vector<Result>& results) const {
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].wParam, 1u);
        ASSERT_NE(results[0].pointer, nullptr);
        EXPECT_EQ(Utf8(results[0].text), "");
    }

    void ExpectLeft(const wchar_t* path, Left left, const std::string& stale, const std::string& section) const {
        SCOPED_TRACE(Utf8(path));
        switch (left) {
            case Left::Stale:
                ASSERT_TRUE(device.Exists(path));
                EXPECT_EQ(device.ReadFile(path), stale);
                break;
            case Left::Absent:
                EXPECT_FALSE(device.Exists(path));
                break;
            case Left::Whole:
                ASSERT_TRUE(device.Exists(path));
                EXPECT_TRUE(device.ReadFile(path) == section);
                break;
            case Left::FirstMiB:
                ASSERT_TRUE(device.Exists(path));
                EXPECT_TRUE(device.ReadFile(path) == section.substr(0, kMiB));
                break;
        }
    }

    // The package is byte for byte what was written, and no handle of the
    // worker holds it: an exclusive writer can open it.
    void ExpectPackageClosedAndUnchanged(const std::string& bytes) const {
        ASSERT_TRUE(device.Exists(kPackagePath));
        EXPECT_TRUE(device.ReadFile(kPackagePath) == bytes);
        HANDLE exclusive = CreateFileW(kPackagePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << "the package is still open, error " << GetLastError();
        if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
    }

    testing_support::TempDevice device;
    testing_support::LogCapture log;
    HWND window = nullptr;
    Preparer preparer{};
};

}  // namespace extraction_testing
