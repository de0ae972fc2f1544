// Messages, timers and commands of the launcher shell; the main application
// it starts (kInstalledExe) and the fallback shell are in device_paths.h.
#pragma once

#include <windows.h>

#include "device_paths.h"
#include "result_messages.h"

#define IDT_INITIALIZE 10001
#define IDT_QUIT 10002
#define IDT_RESET 10003
#define IDT_REFUSAL 10004
#define IDT_PROGRESS 10005

constexpr UINT kInitializeDelayMs = 100;
constexpr UINT kQuitDelayMs = 5000;
constexpr UINT kResetDelayMs = 3000;
// How long a refused package's code stays on screen before the launch.
constexpr UINT kRefusalDelayMs = 3000;
// How often the progress bar looks at the running stage's progress.
constexpr UINT kProgressIntervalMs = 200;

// The board's reset driver and its control code (device type 0xEC00,
// function 16, buffered, any access).
constexpr const WCHAR* kResetDriver = L"AIP1:";
#define IOCTL_AIP_SYS_RESET 0xEC000040

constexpr size_t kResourceStringLength = 100;
