// A real window of the platform's window manager that records the results a
// worker posts to it, for tests of the workers: results posted before the
// test looks are drained with a sentinel behind them, and a worker on a
// thread of its own is waited for with a give-up timer, never for ever.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "worker.h"

namespace testing_support {

struct PostedResult {
    WPARAM wParam;
    LPARAM failure;     // the failure's enum value as posted; 0 on success
    std::wstring text;  // on failure the failure's code text, empty on success
    bool toWindow;      // false: posted as a thread message, without a window
};

// The code text of a failure value a stage's worker posts.
using FailureCodeText = LPCWSTR (*)(LPARAM failure);

// FailureCodeText for the stage whose failures are `Failure`.
template <typename Failure>
LPCWSTR CodeTextOf(LPARAM failure) {
    return FailureCode(PostedFailure<Failure>(failure));
}

// One at a time: create it after host::ResetWindowManager().
class ResultWindow {
public:
    // Without `codeText` a failure's text is left empty.
    explicit ResultWindow(UINT resultMessage, FailureCodeText codeText = nullptr);
    ~ResultWindow();
    ResultWindow(const ResultWindow&) = delete;
    ResultWindow& operator=(const ResultWindow&) = delete;

    HWND Handle() const { return window_; }
    // Every result posted so far: a sentinel goes behind them and the queue
    // is handled up to it.
    std::vector<PostedResult> Drain();
    // Handles messages until a result comes or the give-up timer fires
    // (about a minute of real time at the tests' time scale of 1000). False
    // when it gave up.
    bool WaitForResult();

private:
    HWND window_ = nullptr;
};

// Posts every log line to `window` as it is written, behind whatever a
// worker posted before it, so that the queue shows whether a result was
// posted before or after a step that logs. Replaces a LogCapture's sink
// while it lives.
class PostedLogLines {
public:
    explicit PostedLogLines(HWND window);
    ~PostedLogLines();
    PostedLogLines(const PostedLogLines&) = delete;
    PostedLogLines& operator=(const PostedLogLines&) = delete;
    // Log lines (tick masked) and results ("result 0 Err40"), in queue
    // order, once the queue has been drained.
    static std::vector<std::string> Sequence();
};

}  // namespace testing_support
