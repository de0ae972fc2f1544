#include "upgrade_state.h"

bool g_remoteUpgrade = false;
WCHAR g_upgradeFile[MAX_PATH];
WCHAR g_sourceDir[MAX_PATH];
WCHAR g_packagePattern[MAX_PATH];
WCHAR g_exeFile[MAX_PATH];
WCHAR g_imagesFile[MAX_PATH];
WCHAR g_fontsFile[MAX_PATH];
