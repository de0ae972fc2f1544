// CheckDeltaPackage: what a delta package's own sections must agree on, run
// by the installation before anything is switched over and by
// `ruvexa-pack verify` on the sections it extracted. Nothing installed is
// read: whether the files the manifests take, and the executable the patch
// applies to, are on the device is CheckDeltaFits's to say.
#pragma once

#include <windows.h>

#include "delta_manifest.h"
#include "exe_patch.h"

// The new executable as the images manifest names it.
struct DeltaExeLine {
    ManifestLine line;  // kind kExeWhole or kExePatch
    PatchHead patch;    // for a patch: its head, which names the line's file
};

// TRUE when every manifest reads to its end (the images manifest with its
// exe line right after the first line, no exe line elsewhere), no path
// stands twice in one manifest nor as a folder above another of its paths,
// each archive carries exactly the files its
// add lines name with their sizes and CRC-32s (folder entries and the
// manifest aside), and the exe section is what its line says: a patch whose
// head names the new file and whose records fit its sizes, or the whole file. `fontsFile` may be absent.
// Otherwise FALSE, with the failure logged.
BOOL CheckDeltaPackage(LPCWSTR exeFile, LPCWSTR imagesFile, LPCWSTR fontsFile, DeltaExeLine* exe);
