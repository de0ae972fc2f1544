// Installing a delta package against the installed version. The check comes
// first, before anything is switched over; then each archive's new folder
// is built from the installed folder and the archive, and the executable is
// patched from the installed one. A redo after a power cut finds what an
// earlier run completed: a new folder complete beside the installed one, a
// patched executable ready, or the new executable already installed.
#pragma once

#include <windows.h>

#include "installation.h"
#include "stage_progress.h"

// TRUE when the installed version is what the delta was made from: every
// file the manifests take is there with its size and CRC-32, and the
// executable is the one the patch applies to. Otherwise the first mismatch
// is logged and its failure recorded.
BOOL CheckDeltaFits(Installer* installer);

// Makes `temporary` the new folder the manifest of `archive` describes:
// kept when an earlier run completed it, else made afresh from the archive
// and from files of `installed`; the archive's entries are counted into
// `progress`. FALSE (logged) when it cannot be made.
BOOL BuildDeltaFolder(LPCWSTR archive, LPCWSTR installed, LPCWSTR temporary, StageProgress* progress);

enum class DeltaExe { kReady, kAlreadyInstalled, kFailed };

// The new executable to move into place: the section file itself when it
// is whole, else the patched file (kTemporaryExe). kAlreadyInstalled when an
// earlier run installed it; kFailed with the failure recorded.
DeltaExe PrepareDeltaExe(Installer* installer, LPCWSTR* source);
