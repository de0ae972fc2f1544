// EstimateUpgradeSpace: the upgrade's steps replayed as a ledger of what
// each adds to or frees on its volume; a volume's need is the highest its
// running total reaches.
#include "upgrade_space.h"

#include <strsafe.h>
#include <wctype.h>

#include <set>
#include <string>

#include "delta_format.h"
#include "delta_manifest.h"
#include "device_paths.h"
#include "file_helpers.h"
#include "kept_items.h"
#include "package_info.h"
#include "package_constants.h"
#include "previous_mark.h"
#include "temporary_folder.h"
#include "trial_flag.h"
#include "zip_unpacked_size.h"

namespace {

class SpaceLedger {
public:
    explicit SpaceLedger(SpaceEstimate* estimate) : estimate_(estimate) { estimate_->count = 0; }

    // `bytes` more (or fewer, negative) on the volume of `path`. FALSE when
    // the path's volume has no slot.
    BOOL Add(LPCWSTR path, LONGLONG bytes) {
        WCHAR volume[MAX_PATH];
        if (!VolumeOfPath(path, volume, MAX_PATH)) return FALSE;
        DWORD slot = 0;
        while (slot < estimate_->count && !OnSameVolume(estimate_->volumes[slot].volume, volume)) ++slot;
        if (slot == estimate_->count) {
            if (slot == kMaxUpgradeVolumes) return FALSE;
            StringCchCopyW(estimate_->volumes[slot].volume, MAX_PATH, volume);
            estimate_->volumes[slot].need = 0;
            running_[slot] = 0;
            ++estimate_->count;
        }
        running_[slot] += bytes;
        if (running_[slot] > 0 && static_cast<ULONGLONG>(running_[slot]) > estimate_->volumes[slot].need) {
            estimate_->volumes[slot].need = static_cast<ULONGLONG>(running_[slot]);
        }
        return TRUE;
    }

private:
    SpaceEstimate* estimate_;
    LONGLONG running_[kMaxUpgradeVolumes] = {};
};

LONGLONG Signed(ULONGLONG bytes) { return static_cast<LONGLONG>(bytes); }

// What the files and folders already there take; a size that cannot be
// told spoils the whole estimate, which then refuses nothing.
class InstalledSizes {
public:
    LONGLONG File(LPCWSTR path) {
        ULONGLONG bytes = 0;
        if (!AllocatedFileBytes(path, &bytes)) told_ = false;
        return Signed(bytes);
    }
    LONGLONG Folder(LPCWSTR path) {
        ULONGLONG bytes = 0;
        if (!AllocatedFolderBytes(path, &bytes)) told_ = false;
        return Signed(bytes);
    }
    LONGLONG Item(PreviousItem item) {
        return item == kItemExe ? File(kInstalledItems[item]) : Folder(kInstalledItems[item]);
    }
    bool AllTold() const { return told_; }

private:
    bool told_ = true;
};

// The package's head and tail, checked as the pre-verification checks them;
// the handle stays open for the archives' directories.
BOOL ReadPackageFrame(HANDLE package, PackageInfo* info) {
    BYTE head[kPackageHeadSize] = {};
    BYTE tail[kPackageTailSize] = {};
    DWORD read = 0;
    if (!ReadFile(package, head, kPackageHeadSize, &read, NULL) || read != kPackageHeadSize) return FALSE;
    if (SetFilePointer(package, -static_cast<LONG>(kPackageTailSize), NULL, FILE_END) == INVALID_SET_FILE_POINTER ||
        !ReadFile(package, tail, kPackageTailSize, &read, NULL) || read != kPackageTailSize) {
        return FALSE;
    }
    DecodePackageHead(head, info);
    DecodePackageTail(tail, info);
    const ULONGLONG sections = static_cast<ULONGLONG>(info->exe_size) + info->images_size + info->fonts_size;
    return sections == info->data_size && GetFileSize(package, NULL) == info->data_size + kPackageFrameSize;
}

// A delta manifest is read whole; one larger than this gets no estimate.
constexpr DWORD kLargestManifest = 4 * 1024 * 1024;

// A manifest's bytes as read from the package.
class ManifestText : public ManifestSource {
public:
    explicit ManifestText(const std::string& text) : text_(text) {}
    int Read(void* buffer, DWORD size) override {
        const size_t count = text_.size() - at_ < size ? text_.size() - at_ : size;
        memcpy(buffer, text_.data() + at_, count);
        at_ += count;
        return static_cast<int>(count);
    }

private:
    const std::string& text_;
    size_t at_ = 0;
};

// A delta archive's new folder as its manifest lists it (every file, taken
// from the installed folder or carried), and from the images archive's
// manifest the new executable's size and whether it comes as a patch.
BOOL ReadDeltaFolder(HANDLE package, DWORD offset, DWORD size, UnpackedSize* folder, DWORD* exeSize, bool* exePatch) {
    std::string text;
    ManifestLineReader lines;
    ManifestText source(text);
    if (!ReadEntryInPlace(package, offset, size, kManifestEntryName, kLargestManifest, &text) ||
        !lines.Begin(&source)) {
        return FALSE;
    }
    std::set<std::wstring> folders;
    ManifestLine line;
    ManifestRead read;
    while ((read = lines.Next(&line)) == ManifestRead::kLine) {
        if (line.kind == ManifestKind::kExeWhole || line.kind == ManifestKind::kExePatch) {
            *exeSize = line.size;
            *exePatch = line.kind == ManifestKind::kExePatch;
            continue;
        }
        ++folder->files;
        folder->bytes += line.size;
        folder->allocated += AllocatedBytes(line.size);
        std::wstring path;
        for (const WCHAR* c = line.path; *c; ++c) {
            if (*c == L'\\') folders.insert(path);
            path += static_cast<WCHAR>(towupper(*c));
        }
    }
    folder->folders = static_cast<DWORD>(folders.size());
    folder->allocated += static_cast<ULONGLONG>(folder->folders) * kAllocationUnit;
    return read == ManifestRead::kEnd;
}

// Which installed items the installation moves into Previous rather than
// removes, and whether it first removes the Previous an earlier upgrade
// left (previous_version.h): a fresh keeping does; a resumed one keeps what
// Previous holds, and an item already kept there is replaced as without
// rollback.
void PlanKeeping(DWORD checksum, bool (&kept)[kItemCount], bool* removesPrevious) {
    bool marked[kItemCount] = {};
    const bool resumed = ReadPreviousMark(marked);
    TrialFlag trial;
    const bool complete = !resumed && ReadTrialFlag(&trial) && trial.checksum_known && trial.checksum == checksum;
    *removesPrevious = !resumed && !complete;
    for (int item = 0; item < kItemCount; ++item) {
        const bool waiting = *removesPrevious || (resumed && marked[item] && !FileExists(kPreviousItems[item]));
        kept[item] = waiting && FileExists(kInstalledItems[item]);
    }
}

}  // namespace

BOOL EstimateUpgradeSpace(const UpgradeAttempt& attempt, bool keepPrevious, SpaceEstimate* estimate) {
    HANDLE package = CreateFileW(attempt.package_file, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, NULL);
    if (package == INVALID_HANDLE_VALUE) return FALSE;
    PackageInfo info = {};
    UnpackedSize images = {};
    UnpackedSize fonts = {};
    BOOL readable = ReadPackageFrame(package, &info);
    const DWORD imagesOffset = kExeSectionOffset + info.exe_size;
    // A delta's new folders hold files of the installed version too, so its
    // manifests size them; they also name the new executable's size.
    const bool delta = IsDeltaPackage(info);
    DWORD newExeSize = info.exe_size;
    bool exePatch = false;
    if (readable && delta) {
        readable = ReadDeltaFolder(package, imagesOffset, info.images_size, &images, &newExeSize, &exePatch) &&
                   (info.fonts_size == 0 || ReadDeltaFolder(package, imagesOffset + info.images_size,
                                                            info.fonts_size, &fonts, &newExeSize, &exePatch));
    } else if (readable) {
        readable = ReadUnpackedSize(package, imagesOffset, info.images_size, &images) &&
                   (info.fonts_size == 0 ||
                    ReadUnpackedSize(package, imagesOffset + info.images_size, info.fonts_size, &fonts));
    }
    CloseHandle(package);
    if (!readable) return FALSE;

    SpaceLedger ledger(estimate);
    InstalledSizes sizes;
    // The sections in file order, which is also the items' order.
    LPCWSTR outputs[kItemCount] = {attempt.exe_file, attempt.images_file, attempt.fonts_file};
    const DWORD sectionSizes[kItemCount] = {info.exe_size, info.images_size, info.fonts_size};
    ULONGLONG written[kItemCount] = {};
    // The extraction: an earlier run's section file goes before its
    // section is written (an empty optional one goes too).
    for (int section = 0; section < kItemCount; ++section) {
        written[section] = AllocatedBytes(sectionSizes[section]);
        ledger.Add(outputs[section], -sizes.File(outputs[section]));
        ledger.Add(outputs[section], Signed(written[section]));
    }
    if (!attempt.remote) ledger.Add(attempt.exe_file, Signed(kUpgradeLogAllowance));
    ledger.Add(kInstalledExe, Signed(kUpgradeLogAllowance));

    // The installation.
    bool kept[kItemCount] = {};
    bool removesPrevious = false;
    if (keepPrevious) {
        PlanKeeping(info.checksum, kept, &removesPrevious);
        if (removesPrevious) ledger.Add(kPreviousFolder, -sizes.Folder(kPreviousFolder));
        // Previous itself, its marker, Trial.flag and Floor.next.
        ledger.Add(kPreviousFolder, 4 * kAllocationUnit);
    }
    const UnpackedSize* unpacked[kItemCount] = {nullptr, &images, info.fonts_size ? &fonts : nullptr};
    for (PreviousItem item : {kItemImages, kItemFont}) {
        if (!unpacked[item]) continue;
        // The temporary folder and what it holds, beside the installed one.
        // One a cut run left is unpacked over, its files replaced in place.
        WCHAR temporary[MAX_PATH] = {};
        if (ComposeTemporaryFolder(temporary, kInstalledItems[item])) {
            ledger.Add(temporary, -sizes.Folder(temporary));
        }
        ledger.Add(kInstalledItems[item], Signed(unpacked[item]->allocated + kAllocationUnit));
        if (!kept[item]) ledger.Add(kInstalledItems[item], -sizes.Item(item));
        ledger.Add(outputs[item], -Signed(written[item]));
    }
    if (exePatch) {
        // Patched beside the installed one, which then goes; the patch is
        // deleted once the new one is in place.
        ledger.Add(kTemporaryExe, -sizes.File(kTemporaryExe));
        ledger.Add(kTemporaryExe, Signed(AllocatedBytes(newExeSize)));
        if (!kept[kItemExe]) ledger.Add(kInstalledExe, -sizes.Item(kItemExe));
        ledger.Add(attempt.exe_file, -Signed(written[kItemExe]));
    } else {
        if (!kept[kItemExe]) ledger.Add(kInstalledExe, -sizes.Item(kItemExe));
        if (!OnSameVolume(attempt.exe_file, kInstalledExe)) {
            ledger.Add(kInstalledExe, Signed(written[kItemExe]));
            ledger.Add(attempt.exe_file, -Signed(written[kItemExe]));
        }
    }
    return sizes.AllTold();
}
