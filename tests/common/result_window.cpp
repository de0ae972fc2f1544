#include "result_window.h"

#include "ruvexa_host.h"
#include "test_support.h"

namespace testing_support {
namespace {

constexpr UINT kSentinelMessage = WM_USER + 900;
constexpr UINT kLogLineMessage = WM_USER + 901;
constexpr UINT_PTR kGiveUpTimer = 4711;
constexpr UINT kGiveUpAfterMs = 60 * 1000 * 1000;

// The window procedure is a plain function, so the one window's state lives
// here.
UINT g_resultMessage = 0;
FailureCodeText g_codeText = nullptr;
std::vector<PostedResult> g_results;
std::vector<std::string> g_sequence;
bool g_sentinelSeen = false;
bool g_gaveUp = false;

void Record(const MSG& msg) {
    const std::wstring text = msg.wParam || !g_codeText ? L"" : g_codeText(msg.lParam);
    g_results.push_back({msg.wParam, msg.lParam, text, msg.hwnd != nullptr});
    g_sequence.push_back("result " + std::to_string(msg.wParam) + " " + host::WideToUtf8(g_results.back().text));
}

LRESULT CALLBACK RecordResults(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_resultMessage) {
        Record(MSG{hwnd, message, wParam, lParam, 0, {}});
        return 0;
    }
    if (message == kLogLineMessage) {
        std::string* line = reinterpret_cast<std::string*>(lParam);
        g_sequence.push_back(MaskTicks(line->substr(0, line->find("\r\n"))));
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

// A result posted without a window arrives as a thread message that no
// procedure sees; it is counted all the same.
void HandleMessage(const MSG& msg) {
    if (msg.hwnd == nullptr) {
        if (msg.message == g_resultMessage) Record(msg);
    } else {
        DispatchMessageW(&msg);
    }
}

}  // namespace

ResultWindow::ResultWindow(UINT resultMessage, FailureCodeText codeText) {
    g_resultMessage = resultMessage;
    g_codeText = codeText;
    g_results.clear();
    g_sequence.clear();
    g_sentinelSeen = false;
    g_gaveUp = false;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = RecordResults;
    windowClass.lpszClassName = L"TestResults";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, L"TestResults", L"Results", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

ResultWindow::~ResultWindow() { g_resultMessage = 0; }

std::vector<PostedResult> ResultWindow::Drain() {
    g_sentinelSeen = false;
    if (!PostMessageW(window_, kSentinelMessage, 0, 0)) return {};
    MSG msg;
    while (!g_sentinelSeen && GetMessageW(&msg, nullptr, 0, 0) > 0) HandleMessage(msg);
    std::vector<PostedResult> results = g_results;
    g_results.clear();
    return results;
}

bool ResultWindow::WaitForResult() {
    g_gaveUp = false;
    SetTimer(window_, kGiveUpTimer, kGiveUpAfterMs, nullptr);
    MSG msg;
    while (g_results.empty() && !g_gaveUp && GetMessageW(&msg, nullptr, 0, 0) > 0) HandleMessage(msg);
    KillTimer(window_, kGiveUpTimer);
    return !g_results.empty();
}

PostedLogLines::PostedLogLines(HWND window) {
    g_sequence.clear();
    host::SetLogSink([window](std::string_view text) {
        PostMessageW(window, kLogLineMessage, 0, reinterpret_cast<LPARAM>(new std::string(text)));
    });
}

PostedLogLines::~PostedLogLines() { host::SetLogSink(nullptr); }

std::vector<std::string> PostedLogLines::Sequence() { return g_sequence; }

}  // namespace testing_support
