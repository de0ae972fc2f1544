// Controls of the host platform layer that have no counterpart on the device:
// where the device's file system lives, where the debug log goes, how fast
// device time runs, and the failure hook used by fault tests. Only the host's
// entry point, the tools and the tests include this header; the program's
// code never does. The screen, display and window-manager controls at the
// end come with the UI library (ruvexa_platform_ui), the rest with the core.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace host {

// ---- device file system -----------------------------------------------------
// The host folder that stands for the device's root "\". Device paths are
// resolved below it, one case-insensitive component at a time.
void SetDeviceRoot(const std::string& hostFolder);
const std::string& DeviceRoot();

// The host path a device path resolves to (existing components matched
// case-insensitively). False for a path the layer refuses (too long, "..").
bool HostPathOf(const std::wstring& devicePath, std::string* hostPath);

// A root folder (a volume such as "Hard Disk") that stays invisible to the
// program until the device clock reaches visibleAtMs.
void SetVolumeVisibleAt(const std::wstring& volumeName, DWORD visibleAtMs);
bool IsVolumeVisible(const std::wstring& volumeName);

// A root folder (a volume such as "NandFlash") of `bytes` capacity:
// GetDiskFreeSpaceExW answers from it, and a write past it fails with
// ERROR_DISK_FULL. Without one, a volume is as large as the host's disk.
void SetVolumeCapacity(const std::wstring& volumeName, uint64_t bytes);
// Every volume as large as the host's disk again (tests, between cases).
void ForgetVolumeCapacities();

// ---- debug log --------------------------------------------------------------
// Receives every debug-output text as UTF-8, exactly as formatted.
using LogSink = std::function<void(std::string_view utf8)>;
void SetLogSink(LogSink sink);  // an empty sink restores the default (stderr)
// Whether a text the device may cut (128 units or more) draws a warning on
// standard error, once per call site; on by default.
void WarnOfLongDebugTexts(bool enabled);

// ---- time -------------------------------------------------------------------
// Device time runs `scale` times faster than real time (Sleep, GetTickCount).
void SetTimeScale(double scale);
double TimeScale();

// ---- failure hook -------------------------------------------------------------
enum class Op {
    CreateFileW,
    ReadFile,
    WriteFile,
    SetFilePointer,
    GetFileSize,
    FlushFileBuffers,
    CloseHandle,
    DeleteFileW,
    MoveFileW,
    CreateDirectoryW,
    RemoveDirectoryW,
    GetFileAttributesW,
    SetFileAttributesW,
    GetFileTime,
    SetFileTime,
    FindFirstFileW,
    FindNextFileW,
    CreateThread,
    LocalAlloc,
    ShellExecuteExW,
    Count  // not an operation: the number of them
};

// The operation of a function name ("CreateFileW", in any case), and back.
bool OpFromName(std::string_view name, Op* op);
std::string_view OpName(Op op);
// Every operation's name, separated by ", ".
std::string OpNames();

// The Win32 error code of its name ("ERROR_DISK_FULL", in any case), for
// each code the layer's headers define; every such name, separated by ", ".
bool ErrorFromName(std::string_view name, DWORD* error);
std::string ErrorNames();

// The nth call of `op` from now (1 = the next one) fails with `error`,
// without touching anything. Several failures may be armed at once.
void FailCall(Op op, DWORD error, unsigned nth = 1);
void ClearFailures();

// Failures of a whole run of boots (--fail): calls are counted from the
// start of the first boot, across the boots (forked processes), and the
// nth call of `op` fails with `error`, once. Call before the first boot.
void CountCallsAcrossBoots();
void FailCallInRun(Op op, DWORD error, unsigned long nth);
// The calls of `op` so far in this run, and one "OP COUNT" line per
// operation.
unsigned long CallsInRun(Op op);
std::string CallCountsReport();
// Used by the layer: true when this call of `op` is to fail; the error is
// then already set with SetLastError.
bool ShouldFail(Op op);

// ---- text ---------------------------------------------------------------------
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

// ---- end of a boot ------------------------------------------------------------
// A reset, a power cut or switching off ends the boot at once, as on a
// device: no clean-up of the program runs. Hooks (flushing the log file,
// the last screen) run first, then the process exits with `exitStatus`.
void AddEndOfBootHook(std::function<void()> hook);
[[noreturn]] void EndBoot(int exitStatus, const std::string& reason);

// The board's "AIP1:" reset driver is present unless this is set to false.
void SetResetDriverPresent(bool present);

// The OEM info the device reports (SystemParametersInfoW, SPI_GETOEMINFO):
// the maker's name of the board, which tells the device's model.
void SetOemInfo(const std::wstring& text);
std::wstring OemInfo();
// Unless set otherwise.
constexpr const wchar_t* kDefaultOemInfo = L"MERROW-OV3";

// The device loses power (the boot ends with status 9) right before the
// N-th change to its file system, counted across the boots of one run.
// Call it before the first boot starts.
void SetPowerCutAfter(unsigned long changes);
// The file-system changes begun in this run so far, counted only once a
// power cut is set.
unsigned long FileSystemChangesInRun();

// The lossy model of that power cut: each file loses the data written to it
// since its last FlushFileBuffers (CloseHandle flushes nothing); a file never
// flushed goes back to what it held when it was opened, a new one to empty.
// Creations, deletions, renames, folder and attribute changes made before
// the cut are kept. Off by default: everything written before the cut stays.
void SetLoseUnflushedData(bool lose);

// FlushFileBuffers makes a file's data durable in that model; it also syncs
// the host file to the host's disk (fsync) only when this is set. Off by
// default: thousands of small files would wait on the host disk for
// nothing the simulated device needs.
void SetSyncFlushes(bool sync);

// ---- screen and display -------------------------------------------------------
// The screen is a 480 x 272 framebuffer. Every drawing call that changes it
// rewrites the screen PNG and adds a numbered frame before it returns, and
// updates the display window when one is open.

// The PNG rewritten whenever the screen changes (empty: none).
void SetScreenPng(const std::string& path);
// A folder that receives every changed screen as 0001.png, 0002.png, ...
// (empty: none), created if missing. Numbering goes on after the frames
// already there, so the boots of one run fill one sequence.
void SetFramesFolder(const std::string& folder);
// Writes the screen as last presented to `path` (for the final write at
// exit, which may come from any thread).
bool WriteScreenPng(const std::string& path);

// Headless: no window is ever opened, and an open one is closed.
void SetHeadless(bool headless);
// Opens the SDL2 window (scaled `scale` times; 0: twice, or 1:1 when twice
// would not fit the display) when a display exists and the layer is not
// headless; true when a window is open afterwards.
bool OpenDisplayIfAvailable(int scale = 0);

// The window that receives key and mouse messages from the display.
void SetInputWindow(HWND window);
// Runs when the display window is closed by its user; without a hook the
// input window gets WM_CLOSE.
void SetDisplayClosedHook(std::function<void()> hook);

// ---- window manager -------------------------------------------------------------
// Runs `action` on the UI thread, from within GetMessageW, once the device
// clock reaches `deviceMs` (for switching the device off at a set time).
// Nothing runs while the UI thread is busy outside GetMessageW.
void ScheduleAt(double deviceMs, std::function<void()> action);

// Runs on the UI thread, from within GetMessageW, once the device can do
// nothing more by itself: no message is queued, no timer is set, no thread
// started with CreateThread runs, no volume is still to appear and no
// scheduled action waits, and no display window is open for a person to
// act. Without a hook such a device waits for ever, as a real one does.
void SetHaltedHook(std::function<void()> hook);

// The text drawn last among those the screen still shows (the status or
// error line, say); empty when the screen shows none.
std::wstring LatestScreenText();

// The message box shown last, as "CAPTION: TEXT", when the screen has shown
// no new text since it came up: the box is then what the device stopped on.
// Empty otherwise, and when no box was shown.
std::wstring MessageBoxSaidLast();

// Forgets every window, window class, posted message, timer and scheduled
// action, and the pointer's position and show count (tests, between cases).
void ResetWindowManager();

}  // namespace host
