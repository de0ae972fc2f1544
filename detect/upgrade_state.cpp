// The upgrade state and the section files it selects.
#include "upgrade_state.h"

#include "device_paths.h"

bool g_remoteUpgrade = false;
WCHAR g_upgradeFile[MAX_PATH];
WCHAR g_sourceDir[MAX_PATH];
WCHAR g_packagePattern[MAX_PATH];
WCHAR g_exeFile[MAX_PATH];
WCHAR g_imagesFile[MAX_PATH];
WCHAR g_fontsFile[MAX_PATH];

SectionFiles FoundSectionFiles() {
    if (g_remoteUpgrade) return {kRemoteExeFile, kRemoteImagesFile, kRemoteFontsFile};
    return {g_exeFile, g_imagesFile, g_fontsFile};
}
