// Fixed paths of the extraction stage.
#pragma once

#include <windows.h>

// A start-up folder left by an earlier installation would start the old
// application next to the new one.
constexpr const WCHAR* kStartUpFolder = L"\\NandFlash\\StartUp\\Merrow\\";

// With this file present, the device installs only packages signed with the
// key it holds; without it, no signature is asked for.
constexpr const WCHAR* kTrustedKeyFile = L"\\NandFlash\\Merrow\\Upgrade.pub";
