// The executable patch of a delta package (delta_format.h): its head, and
// its application from the installed executable into a new file, streamed
// through small fixed buffers whatever the sizes of the files.
#pragma once

#include <windows.h>

#include "delta_patch_head.h"

// The head of the patch file at `patchFile`; false when it cannot be read or
// is not a patch of this version.
bool ReadPatchHead(LPCWSTR patchFile, PatchHead* head);

// Walks the records of the patch at `patchFile` as ApplyPatch would, without
// the old file: true when each record fits the sizes its head names and the
// stream ends right after the last. Whether the result has the new file's
// CRC-32 depends on the old file, and is ApplyPatch's to find.
bool CheckPatchRecords(LPCWSTR patchFile);

enum class PatchResult {
    kApplied,      // `newFile` holds the new executable, flushed, CRC-32 checked
    kMalformed,    // the patch is damaged or does not make the file it names
    kReadFailed,   // the patch or the old file could not be read
    kWriteFailed,  // the new file could not be created or written
};

// Applies the patch at `patchFile` to `oldFile`, writing `newFile` (replaced
// if there). Every record is checked against both files' sizes before it is
// used. A failure leaves no `newFile`.
PatchResult ApplyPatch(LPCWSTR patchFile, LPCWSTR oldFile, LPCWSTR newFile);
