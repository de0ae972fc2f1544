// Fixed paths of the extraction stage.
#pragma once

#include <windows.h>

// A start-up folder left by an earlier installation would start the old
// application next to the new one.
constexpr const WCHAR* kStartUpFolder = L"\\NandFlash\\StartUp\\Merrow\\";
