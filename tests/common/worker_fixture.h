// The fixture both workers' tests share: a temporary device, the debug log,
// fast device time, a real window that records the results posted to it,
// and the worker's record aimed at that window. The worker runs on the
// test's own thread, or on one of its own when the stage starts it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "result_window.h"
#include "test_support.h"

namespace testing_support {

class WorkerTest : public ::testing::Test {
protected:
    WorkerTest(UINT resultMessage, FailureCodeText codeText) : resultMessage_(resultMessage), codeText_(codeText) {}
    void SetUp() override;
    void TearDown() override;

    // Every result posted so far, the queue handled up to a sentinel.
    std::vector<PostedResult> DrainResults() { return results->Drain(); }
    // Handles messages until a result comes (or the give-up timer fires).
    bool WaitForResult() { return results->WaitForResult(); }

    // `posted` is one result, to the window: a failure whose code text is
    // `code`, or a success.
    static void ExpectOneFailure(const std::vector<PostedResult>& posted, const std::wstring& code);
    static void ExpectOneSuccess(const std::vector<PostedResult>& posted);

    UINT ResultMessage() const { return resultMessage_; }

    TempDevice device;
    LogCapture log;
    std::unique_ptr<ResultWindow> results;
    HWND window = nullptr;

private:
    UINT resultMessage_;
    FailureCodeText codeText_;
};

// `Record` is the stage's record and `Body` its worker.
template <typename Record, DWORD (*Body)(Record*)>
class WorkerFixture : public WorkerTest {
protected:
    explicit WorkerFixture(UINT resultMessage)
        : WorkerTest(resultMessage, &CodeTextOf<decltype(Record::error)>) {}

    void SetUp() override {
        WorkerTest::SetUp();
        AimRecordAtWindow();
    }

    // A fresh record that posts to the test's window.
    void AimRecordAtWindow() {
        record = Record{};
        record.notify_window = window;
        record.notify_message = ResultMessage();
    }

    // Runs the worker on this thread, the log cleared first; what it returns.
    DWORD RunWorker() {
        log.Clear();
        return Body(&record);
    }

    Record record{};
};

}  // namespace testing_support
