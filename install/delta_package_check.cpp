// CheckDeltaPackage: each manifest read once, its paths and carried files
// gathered as keys (delta_path_keys.h), then compared with the archive's
// central directory.
#include "delta_package_check.h"

#include <stdlib.h>
#include <string.h>

#include "checked_files.h"
#include "delta_manifest_reader.h"
#include "delta_path_keys.h"
#include "entry_name.h"
#include "file_helpers.h"
#include "log_line.h"
#include "unzipper.h"

namespace {

bool IsExeLine(const ManifestLine& line) {
    return line.kind == ManifestKind::kExeWhole || line.kind == ManifestKind::kExePatch;
}

// The keys of the folders above `path`: "a" and "a\b" for "a\b\c".
bool AddFoldersAbove(LPCWSTR path, PathKeys* folders) {
    WCHAR folder[MAX_PATH];
    for (size_t length = 0; path[length]; ++length) {
        if (path[length] != L'\\') continue;
        memcpy(folder, path, length * sizeof(WCHAR));
        folder[length] = L'\0';
        if (!folders->Add(PathKey(folder, false))) return false;
    }
    return true;
}

// The manifest's lines: its paths, each once and none also a folder above
// another, and its carried files; the images manifest's exe line into `exe`.
bool ReadLines(LPCWSTR archive, ManifestLine* exe, PathKeys* carried) {
    ManifestReader manifest;
    if (!manifest.Open(archive)) return false;
    const ULONGLONG manifestKey = PathKey(kManifestFileName, false);
    PathKeys named;
    PathKeys folders;
    ManifestLine line;
    ManifestRead read;
    for (bool first = true; (read = manifest.Next(&line)) == ManifestRead::kLine; first = false) {
        if (IsExeLine(line)) {
            if (!exe || !first) return false;
            *exe = line;
            exe = nullptr;
            continue;
        }
        if (exe) return false;
        const ULONGLONG key = PathKey(line.path, false);
        // The manifest is removed from the new folder once it is unpacked.
        if (key == manifestKey || !named.Add(key) || !AddFoldersAbove(line.path, &folders)) return false;
        if (line.kind == ManifestKind::kAdd && !carried->Add(PathKey(line.path, true, line.size, line.crc))) {
            return false;
        }
    }
    if (read != ManifestRead::kEnd || exe || named.SortAndFindRepeated()) return false;
    folders.SortAndFindRepeated();
    return !named.Meets(folders);
}

// The files the archive's central directory lists, as the extractor names
// them; false when one has a name it would not unpack.
bool ReadEntries(LPCWSTR archive, PathKeys* stored) {
    Unzipper zip;
    if (!zip.IsUsable() || !zip.Open(archive)) return false;
    const DWORD count = zip.GetEntryCount();
    DWORD listed = 0;
    bool sound = true;
    for (bool more = count > 0 && zip.GoToFirstEntry(); more && sound; more = zip.GoToNextEntry()) {
        ++listed;
        EntryInfo info;
        if (!zip.GetCurrentEntryInfo(&info)) {
            sound = false;
            break;
        }
        if (info.isFolder || strcmp(info.name, kManifestEntryName) == 0) continue;
        WCHAR name[MAX_PATH];
        size_t converted = 0;
        sound = info.nameSize <= kEntryNameBufferSize &&
                mbstowcs_s(&converted, name, MAX_PATH, info.name, MAX_PATH) == 0 && IsSafeEntryName(name);
        if (!sound) break;
        DropCurrentFolderComponents(name);
        sound = stored->Add(PathKey(name, true, info.uncompressedSize, info.crc32));
    }
    zip.Close();
    return sound && listed == count;
}

bool ArchiveAgrees(LPCWSTR archive, ManifestLine* exe) {
    PathKeys carried;
    PathKeys stored;
    if (!ReadLines(archive, exe, &carried) || !ReadEntries(archive, &stored)) return false;
    carried.SortAndFindRepeated();
    stored.SortAndFindRepeated();
    return carried.SameAs(stored);
}

bool ExeAgrees(LPCWSTR exeFile, DeltaExeLine* exe) {
    if (exe->line.kind == ManifestKind::kExeWhole) return FileMatches(exeFile, exe->line.size, exe->line.crc);
    return ReadPatchHead(exeFile, &exe->patch) && exe->patch.newSize == exe->line.size &&
           exe->patch.newCrc == exe->line.crc && CheckPatchRecords(exeFile);
}

}  // namespace

BOOL CheckDeltaPackage(LPCWSTR exeFile, LPCWSTR imagesFile, LPCWSTR fontsFile, DeltaExeLine* exe) {
    *exe = {};
    if (!ArchiveAgrees(imagesFile, &exe->line)) {
        LogLine(L"UpgradeThreadProc(): !!! Invalid delta manifest=[%s]", imagesFile);
        return FALSE;
    }
    if (fontsFile && FileExists(fontsFile) && !ArchiveAgrees(fontsFile, nullptr)) {
        LogLine(L"UpgradeThreadProc(): !!! Invalid delta manifest=[%s]", fontsFile);
        return FALSE;
    }
    if (!ExeAgrees(exeFile, exe)) {
        LogLine(L"UpgradeThreadProc(): !!! Invalid delta patch=[%s]", exeFile);
        return FALSE;
    }
    return TRUE;
}
