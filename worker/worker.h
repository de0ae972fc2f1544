// The skeleton the workers share: the record a stage hands its worker, the
// way the worker's thread is started, the guard that posts the run's one
// result (the failure's enum value, which the shell turns into its texts),
// and each stage's table of code texts.
#pragma once

#include <windows.h>

#include <cstddef>
#include <iterator>
#include <new>
#include <type_traits>

#include "upgrade_attempt.h"

// The code posted for a failure that has no row in its stage's table; no
// step produces one.
constexpr const WCHAR* kUnknownFailureCode = L"ErrFF";

// One row of a stage's code table. A table lists every failure of its stage
// once, in the enum's order, so that a failure's value is its row.
template <typename Failure>
struct FailureCodeRow {
    Failure failure;
    LPCWSTR code;  // a constant that outlives every worker
};

// True when `rows` lists every failure up to `last` once, in the enum's order.
template <typename Failure, size_t N>
constexpr bool ListsEveryFailure(const FailureCodeRow<Failure> (&rows)[N], Failure last) {
    if (N != static_cast<size_t>(last) + 1) return false;
    for (size_t row = 0; row < N; ++row) {
        if (static_cast<size_t>(rows[row].failure) != row) return false;
    }
    return true;
}

// A stage's failures and their code texts: each stage specialises it with
// `kLast`, its last failure, and `kCodes`, one row per failure.
template <typename Failure>
struct FailureCodes;

// The constant code text of `failure`; kUnknownFailureCode past the table.
template <typename Failure>
constexpr LPCWSTR FailureCode(Failure failure) {
    using Table = FailureCodes<Failure>;
    static_assert(ListsEveryFailure(Table::kCodes, Table::kLast),
                  "every failure needs exactly one code, in the enum's order");
    const size_t row = static_cast<size_t>(failure);
    return row < std::size(Table::kCodes) ? Table::kCodes[row].code : kUnknownFailureCode;
}

// What every stage's record holds: where the result goes and the files the
// stage works on. Filled completely before the worker starts and only
// touched by the worker afterwards; the paths are constants or process-wide
// buffers that outlive the run.
template <typename Failure>
struct WorkerRecord {
    HWND notify_window;  // null: no result is posted
    UINT notify_message;
    LPCWSTR upgrade_file;
    LPCWSTR exe_file;
    LPCWSTR images_file;
    LPCWSTR fonts_file;
    Failure error;  // what failed, once a step fails
};

template <typename Failure>
void FillWorkerRecord(WorkerRecord<Failure>* record, HWND window, UINT message, LPCWSTR upgradeFile,
                      LPCWSTR exeFile, LPCWSTR imagesFile, LPCWSTR fontsFile) {
    record->notify_window = window;
    record->notify_message = message;
    record->upgrade_file = upgradeFile;
    record->exe_file = exeFile;
    record->images_file = imagesFile;
    record->fonts_file = fontsFile;
}

// The record aimed at the attempt's package and section files.
template <typename Failure>
void FillWorkerRecord(WorkerRecord<Failure>* record, HWND window, UINT message, const UpgradeAttempt& attempt) {
    FillWorkerRecord(record, window, message, attempt.package_file, attempt.exe_file, attempt.images_file,
                     attempt.fonts_file);
}

// Posts `succeeded` as wParam and the failure's enum value as lParam (0 on
// success) as `message` to `window`; nothing without a window. The worker
// never waits for it.
void PostWorkerResult(HWND window, UINT message, BOOL succeeded, DWORD failure);

template <typename Failure>
void PostWorkerFailure(HWND window, UINT message, Failure failure) {
    PostWorkerResult(window, message, FALSE, static_cast<DWORD>(failure));
}

// The failure a result message carries in its lParam.
template <typename Failure>
constexpr Failure PostedFailure(LPARAM failure) {
    return static_cast<Failure>(static_cast<DWORD>(failure));
}

// Posts the run's one result as the worker returns, whichever return that
// is: success once the run is marked so, else the failure recorded in the
// record.
template <typename Record>
class WorkerResult {
public:
    explicit WorkerResult(Record* record) : record_(record) {}
    ~WorkerResult() {
        PostWorkerResult(record_->notify_window, record_->notify_message, succeeded_,
                         succeeded_ ? 0 : static_cast<DWORD>(record_->error));
    }
    WorkerResult(const WorkerResult&) = delete;
    WorkerResult& operator=(const WorkerResult&) = delete;

    void MarkSucceeded() { succeeded_ = TRUE; }

private:
    Record* record_;
    BOOL succeeded_ = FALSE;
};

// A zeroed record from the process heap; null (with `failedLine` logged,
// a LogLine format that takes the error) when there is no memory.
LPVOID AllocateWorkerRecord(SIZE_T size, LPCWSTR failedLine);

template <typename Record>
Record* NewWorkerRecord(LPCWSTR failedLine) {
    // Constructed in the memory, so that members such as optionals start
    // as empty values rather than as zeroed bytes. Records hold nothing that
    // needs destroying, so LocalFree alone frees one.
    static_assert(std::is_trivially_destructible_v<Record>, "a record is freed without a destructor");
    void* memory = AllocateWorkerRecord(sizeof(Record), failedLine);
    return memory ? new (memory) Record() : NULL;
}

// After its run, a record is either kept to the end of the process (its
// owner may still read it) or freed by the worker's thread.
enum class RecordAfterRun { Kept, Freed };

// Starts `entry` with `record` on a thread of its own; nobody joins it, and
// its handle is left to the end of the process. FALSE (with `failedLine`
// logged, a LogLine format that takes the error) when the thread cannot be
// created.
BOOL StartWorkerThread(LPTHREAD_START_ROUTINE entry, LPVOID record, LPCWSTR failedLine);

template <typename Record, DWORD (*Body)(Record*), RecordAfterRun after>
DWORD WINAPI WorkerThreadEntry(LPVOID record) {
    DWORD exitCode = Body(static_cast<Record*>(record));
    if (after == RecordAfterRun::Freed) LocalFree(record);
    return exitCode;
}

// Runs `Body(record)` on a worker thread. A record to be freed after the
// run is freed here too when the thread cannot be created.
template <typename Record, DWORD (*Body)(Record*), RecordAfterRun after>
BOOL StartWorker(Record* record, LPCWSTR failedLine) {
    if (StartWorkerThread(WorkerThreadEntry<Record, Body, after>, record, failedLine)) return TRUE;
    if (after == RecordAfterRun::Freed) LocalFree(record);
    return FALSE;
}
