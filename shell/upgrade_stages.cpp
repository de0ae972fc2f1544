// StartExtraction, StartInstallation: the upgrade's two worker stages as the
// UI thread starts them. The screen is the UI's: each stage shows itself
// before its worker starts, and a worker that cannot start leaves no result
// to wait for, so the stage ends on screen at once.
#include "extraction.h"
#include "installation.h"
#include "launcher.h"
#include "result_messages.h"
#include "status_screen.h"
#include "upgrade_state.h"

void StartExtraction(HWND window) {
    DrawTitleText(L"UI APP UPGRADE");
    DrawStatusText(L"Preparing...");
    SectionFiles sections = FoundSectionFiles();
    if (!PrepareUpgrade(window, WM_EXTRACTION_RESULT, g_upgradeFile, sections.exe_file, sections.images_file,
                        sections.fonts_file)) {
        DrawStatusText(L"Preparation failed");
    }
}

void StartInstallation(HWND window) {
    DrawStatusText(L"Upgrading...");
    SectionFiles sections = FoundSectionFiles();
    if (!StartUpgradeThread(window, WM_UPGRADE_RESULT, g_remoteUpgrade, g_upgradeFile, sections.exe_file,
                            sections.images_file, sections.fonts_file)) {
        DrawStatusText(L"Upgrade failed");
    }
}
