// Declarations the device's SDK has and a desktop SDK lacks, forced into
// every file of the compile check.
#pragma once

#include <windows.h>

extern "C" void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

// The OEM info text of SystemParametersInfoW, a CE-only action.
#ifndef SPI_GETOEMINFO
#define SPI_GETOEMINFO 258
#endif
