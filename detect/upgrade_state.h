// The upgrade state: where the package is and where its sections go. Written
// by CheckUpgrade on the UI thread before any worker exists, only read after.
#pragma once

#include <windows.h>

extern bool g_remoteUpgrade;
extern WCHAR g_upgradeFile[MAX_PATH];

// USB source only. The paths carry no leading separator: every path on the
// device is rooted, so "Hard Disk\AppExecute.ex" is in the disk's root.
extern WCHAR g_sourceDir[MAX_PATH];
extern WCHAR g_packagePattern[MAX_PATH];
extern WCHAR g_exeFile[MAX_PATH];
extern WCHAR g_imagesFile[MAX_PATH];
extern WCHAR g_fontsFile[MAX_PATH];

// Where the found package's sections are written and read: beside a
// downloaded package, in the USB disk's root otherwise.
struct SectionFiles {
    LPCWSTR exe_file;
    LPCWSTR images_file;
    LPCWSTR fonts_file;
};
SectionFiles FoundSectionFiles();
