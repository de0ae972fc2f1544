// The explanations, one switch per device table over its enum. A switch has
// no default and each is evaluated for every row of its table at compile
// time, so a failure added to a device table without an explanation here
// stops the build.
#include "code_explanations.h"

#include <cctype>

#include "extract_codes.h"
#include "install_codes.h"
#include "refusal_codes.h"
#include "rollback_codes.h"
#include "worker.h"

namespace pack {
namespace {

constexpr CodeExplanation Explain(Refusal refusal) {
    switch (refusal) {
        case Refusal::kRolledBack:
            return {"package rolled back earlier",
                    "\\NandFlash\\Merrow\\Rejected.txt names this package's checksum: this release was installed "
                    "before, did not declare itself healthy within its trial and was rolled back. The device does not "
                    "install it again.",
                    nullptr,
                    "Do not send this package again: make a new release that mends what failed (it has another "
                    "checksum). Only when the rollback was a mistake, remove the package's line from Rejected.txt."};
        case Refusal::kBelowSecurityFloor:
            return {"package older than installed",
                    "The device holds a trusted key and a security floor, and the package's signature claims a "
                    "security version below that floor: it would bring back a release the device has moved past.",
                    nullptr,
                    "Install a release whose signature carries a security version at least the floor (ruvexa-pack "
                    "sign --security-version N; the floor is in \\NandFlash\\Merrow\\Floor.A and Floor.B)."};
        case Refusal::kAnotherModel:
            return {"package for another model",
                    "The device holds a trusted key, and the package's signature names the models it is for; the "
                    "device's own model, the OEM info it reports, is not among them.",
                    nullptr,
                    "Send the package made for this model (ruvexa-pack inspect shows the models a package names), "
                    "or build one that names this model with --model."};
        case Refusal::kNotEnoughSpace:
            return {"not enough space",
                    "Before writing anything, the device worked out the most the upgrade takes at any one moment on "
                    "each volume it writes to (the sections beside the package, the unpacked archives, the new "
                    "executable, and with rollback on the old version kept in Previous) and one volume has less "
                    "free. The log line names the volume with need=[bytes] and free=[bytes].",
                    nullptr,
                    "Make room on the volume the log names (\\NandFlash: old files of the application; a USB disk or "
                    "SD card: other files beside the package), then request the upgrade again."};
    }
    return {};
}

constexpr const char* kMediumNext =
    "Copy or download the package again (to another USB disk or SD card if the error repeats), check it with "
    "ruvexa-pack verify, then switch the device off and on.";
constexpr const char* kDamagedNext =
    "Copy or download the package again and check it with ruvexa-pack verify (it must say ok), then switch the "
    "device off and on.";
constexpr const char* kCannotWriteNext =
    "Make room on the medium that holds the package (the USB disk, or the SD card for a download), remove its "
    "write protection or a read-only leftover section file beside the package, then switch the device off and on.";
constexpr const char* kCopyNext =
    "Check the package with ruvexa-pack verify and the free space beside it; copy the package again if it fails, "
    "then switch the device off and on.";
constexpr const char* kDeleteNotShown =
    "Kept for a section file of an earlier attempt that cannot be deleted. The device does not show it today: such a "
    "file makes the new one fail to be created, which shows the section's create code instead.";

constexpr CodeExplanation Explain(ExtractFailure failure) {
    switch (failure) {
        case ExtractFailure::kNoUpgradeFile:
            return {"no package to prepare",
                    "The preparation was started without a package. The search hands over only a package it found, "
                    "and a boot whose search finds none starts the installed application instead, so no boot should "
                    "show this code.",
                    nullptr,
                    "Switch the device off and on; if the code comes back, keep the debug log and Upgrade.log and "
                    "report it as a fault of the launcher."};
        case ExtractFailure::kOpenPackage:
            return {"the package cannot be opened",
                    "The package the search found could not be opened for reading: it was removed in between (a USB "
                    "disk pulled out), or it is in use or unreadable on its medium.",
                    nullptr,
                    "Check that the package is there (on the USB disk, or in \\Storage Card\\OV3_Download) and can be "
                    "read, for example by copying it to a PC; put the disk back or copy the package again, then "
                    "switch the device off and on."};
        case ExtractFailure::kReadHead:
            return {"the package's head cannot be read",
                    "Reading the first 8 bytes of the package failed: a read error of its medium.", nullptr,
                    kMediumNext};
        case ExtractFailure::kBadSignature:
            return {"not an upgrade package",
                    "The file does not begin with the package magic \"3-VO\" (or \"3-VD\", a delta package's): it was "
                    "not made by ruvexa-pack, or it is damaged at its start. A launcher that knows only full packages "
                    "shows this code for a delta package too.",
                    nullptr,
                    "Look at the file with ruvexa-pack inspect; build the package again with ruvexa-pack build. A "
                    "device whose launcher refuses delta packages needs the release's full package."};
        case ExtractFailure::kPointTail:
            return {"the package is too short for its tail",
                    "The package's last 16 bytes, its tail, cannot be reached: the file is shorter than any package, "
                    "a download or copy that stopped early.",
                    nullptr, kDamagedNext};
        case ExtractFailure::kReadTail:
            return {"the package's tail cannot be read",
                    "Reading the package's last 16 bytes failed: a read error of its medium.", nullptr, kMediumNext};
        case ExtractFailure::kPointExe:
            return {"the package's first section cannot be reached",
                    "The read position could not be moved to the executable's section: a fault of the medium.",
                    nullptr, kMediumNext};
        case ExtractFailure::kWrongDataSize:
            return {"the package's sizes disagree",
                    "The data size in the package's head is not the sum of the three section sizes in its tail: the "
                    "package is damaged, or was not made by ruvexa-pack.",
                    nullptr,
                    "ruvexa-pack inspect shows both sizes. Copy the package again, or build it again with "
                    "ruvexa-pack build, then switch the device off and on."};
        case ExtractFailure::kWrongFileSize:
            return {"the package has the wrong length",
                    "The file's length is not its data size plus head and tail: a download or copy that stopped "
                    "early, or bytes added at its end.",
                    nullptr, kDamagedNext};
        case ExtractFailure::kBadChecksum:
            return {"the package's checksum is wrong",
                    "The CRC-32 computed over the package differs from the one stored in its tail: the package was "
                    "damaged in transfer or on its medium.",
                    nullptr, kDamagedNext};
        case ExtractFailure::kUntrustedPackage:
            return {"the package is not trusted",
                    "The device holds a trusted key (\\NandFlash\\Merrow\\Upgrade.pub), and the package's signature, "
                    "FILE.SIG beside it, is missing, is no signature file, was made by another key, is not this "
                    "package's, or claims a security version below the device's floor.",
                    "A missing or unusable signature is refused before anything is written; a signature that does "
                    "not match the package is found once the sections are written, and they are deleted again.",
                    "Put the package's .SIG beside it (in \\Storage Card\\OV3_Download for a download, beside the "
                    "package on a USB disk), or sign the package with the maker's key (ruvexa-pack sign); check it "
                    "with ruvexa-pack verify --key Upgrade.pub, then switch the device off and on."};
        case ExtractFailure::kDeleteExe:
            return {"an old executable section file cannot be deleted", kDeleteNotShown, nullptr, kCannotWriteNext};
        case ExtractFailure::kCreateExe:
            return {"the executable's section file cannot be written",
                    "AppExecute.ex could not be created beside the package: that medium is full or write-protected, "
                    "or a file an earlier attempt left there is read-only or in use.",
                    nullptr, kCannotWriteNext};
        case ExtractFailure::kCopyExe:
            return {"the executable's section cannot be copied",
                    "Reading the executable's section from the package or writing AppExecute.ex failed or came up "
                    "short: a read error, a full medium, or a package shorter than its sizes say.",
                    "AppExecute.ex may stay partly written; the next attempt replaces it.", kCopyNext};
        case ExtractFailure::kNoExe:
            return {"the package has no executable",
                    "The package's executable section is empty; every package carries the main application.", nullptr,
                    "Build the package again with ruvexa-pack build --exe and a non-empty executable."};
        case ExtractFailure::kDeleteImages:
            return {"an old images section file cannot be deleted", kDeleteNotShown, nullptr, kCannotWriteNext};
        case ExtractFailure::kCreateImages:
            return {"the images section file cannot be written",
                    "AppImages.zi could not be created beside the package: that medium is full or write-protected, "
                    "or a file an earlier attempt left there is read-only or in use.",
                    nullptr, kCannotWriteNext};
        case ExtractFailure::kCopyImages:
            return {"the images section cannot be copied",
                    "Reading the images section from the package or writing AppImages.zi failed or came up short: a "
                    "read error, a full medium, or a package shorter than its sizes say.",
                    "AppImages.zi may stay partly written; the next attempt replaces it.", kCopyNext};
        case ExtractFailure::kNoImages:
            return {"the package has no images",
                    "The package's images section is empty; every package carries the images archive.", nullptr,
                    "Build the package again with ruvexa-pack build --images and the images folder or archive."};
        case ExtractFailure::kDeleteFonts:
            return {"an old fonts section file cannot be deleted", kDeleteNotShown, nullptr, kCannotWriteNext};
        case ExtractFailure::kCreateFonts:
            return {"the fonts section file cannot be written",
                    "AppFonts.zi could not be created beside the package (or, for a package without fonts, one left "
                    "there by an earlier attempt could not be deleted): that medium is full or write-protected, or "
                    "the file is read-only or in use.",
                    nullptr, kCannotWriteNext};
        case ExtractFailure::kCopyFonts:
            return {"the fonts section cannot be copied",
                    "Reading the fonts section from the package or writing AppFonts.zi failed or came up short: a "
                    "read error, a full medium, or a package shorter than its sizes say.",
                    "AppFonts.zi may stay partly written; the next attempt replaces it.", kCopyNext};
    }
    return {};
}

constexpr const char* kVerifyNext =
    "Check the package with ruvexa-pack verify (it unpacks the archives as the device does) and the free space on "
    "\\NandFlash, then switch the device off and on to try again.";
constexpr const char* kRemoveNext =
    "Switch the device off and on to try again; if the code comes back, the debug log names what could not go "
    "(a read-only file, one in use).";
constexpr const char* kMissingNext =
    "Switch the device off and on: the preparation writes the section files again. Do not pull the USB disk out "
    "during an upgrade.";
constexpr const char* kDeltaNext =
    "Put the release's full package in the delta's place (the request stays, so the next boot takes it), or a delta "
    "made from the release the device has installed (ruvexa-pack delta --from).";
constexpr const char* kDeltaNothingSwitched =
    "Nothing was switched over: the installed version is untouched.";

constexpr CodeExplanation Explain(InstallFailure failure) {
    switch (failure) {
        case InstallFailure::kUnzipImages:
            return {"the images archive cannot be unpacked",
                    "AppImages.zi could not be unpacked into the new images folder beside \\NandFlash\\Merrow\\Images: "
                    "it is no zip archive the device can open, an entry is refused (a name with \"..\", a method "
                    "such as Deflate64), the flash is full, or a file cannot be written. For a delta package, also an "
                    "installed file it takes that no longer matches.",
                    "Nothing was switched over; the new folder is removed again.", kVerifyNext};
        case InstallFailure::kRemoveImages:
            return {"the old images cannot be removed",
                    "The installed \\NandFlash\\Merrow\\Images could not be removed (with rollback on: moved into "
                    "\\NandFlash\\Merrow\\Previous): a file in it is read-only or in use.",
                    "The old folder may be partly removed. The unpacked new images are removed again (a delta's "
                    "stay for the next attempt).",
                    kRemoveNext};
        case InstallFailure::kMoveImages:
            return {"the new images cannot be moved into place",
                    "The new images folder could not be renamed to \\NandFlash\\Merrow\\Images after the old one was "
                    "removed (or moved into Previous).",
                    "The device has no Images folder until the upgrade completes.",
                    "Switch the device off and on: the next boot prepares and installs again, and a missing Images "
                    "folder is simply replaced."};
        case InstallFailure::kNoImages:
            return {"the images section file is missing",
                    "AppImages.zi, written by the preparation, was gone when the installation began: deleted, or lost "
                    "with its medium (a USB disk pulled out).",
                    "Nothing was switched over.", kMissingNext};
        case InstallFailure::kPreparePrevious:
            return {"the previous version cannot be kept",
                    "With rollback on (\\NandFlash\\Merrow\\Rollback.cfg), \\NandFlash\\Merrow\\Previous could not be "
                    "made ready before the first switch-over: a Previous of an earlier upgrade that will not go, or "
                    "the folder or its marker Previous.mark that cannot be written (a full flash).",
                    "Nothing was switched over.",
                    "Make room on \\NandFlash or remove a stuck \\NandFlash\\Merrow\\Previous, then switch the device "
                    "off and on."};
        case InstallFailure::kUnzipFont:
            return {"the fonts archive cannot be unpacked",
                    "AppFonts.zi could not be unpacked into the new fonts folder beside \\NandFlash\\Merrow\\Font: it "
                    "is no zip archive the device can open, an entry is refused, the flash is full, or a file cannot "
                    "be written. For a delta package, also an installed file it takes that no longer matches.",
                    "The new images are in place already; the fonts and the executable are the old ones.",
                    kVerifyNext};
        case InstallFailure::kRemoveFont:
            return {"the old fonts cannot be removed",
                    "The installed \\NandFlash\\Merrow\\Font could not be removed (with rollback on: moved into "
                    "Previous): a file in it is read-only or in use.",
                    "The new images are in place already; the old Font folder may be partly removed.", kRemoveNext};
        case InstallFailure::kMoveFont:
            return {"the new fonts cannot be moved into place",
                    "The new fonts folder could not be renamed to \\NandFlash\\Merrow\\Font after the old one was "
                    "removed (or moved into Previous).",
                    "The new images are in place; the device has no Font folder until the upgrade completes.",
                    "Switch the device off and on: the next boot prepares and installs again, and a missing Font "
                    "folder is simply replaced."};
        case InstallFailure::kDeleteExe:
            return {"the old executable cannot be removed",
                    "\\NandFlash\\Merrow\\Orvane3.exe could not be deleted (with rollback on: moved into Previous): "
                    "it is read-only or in use.",
                    "The new images and fonts are in place; the executable is the old one.", kRemoveNext};
        case InstallFailure::kMoveExe:
            return {"the new executable cannot be moved into place",
                    "The new executable could not be moved to \\NandFlash\\Merrow\\Orvane3.exe after the old one was "
                    "removed (or moved into Previous).",
                    "The new images and fonts are in place, and the device has no main application until the "
                    "upgrade completes; a delta's patched executable stays as Orvane3.exe_ for the next attempt.",
                    "Switch the device off and on: the next boot installs again. Leave the request and the package "
                    "where they are."};
        case InstallFailure::kNoExe:
            return {"the executable's section file is missing",
                    "AppExecute.ex, written by the preparation, was gone when its turn came: deleted, or lost with "
                    "its medium.",
                    "The new images and fonts are in place; the executable is the old one.", kMissingNext};
        case InstallFailure::kStartTrial:
            return {"the trial cannot start",
                    "With rollback on, the new version is in place, but \\NandFlash\\Merrow\\Trial.flag (on a device "
                    "with a trusted key also Floor.next) could not be written, or Previous.mark could not be "
                    "removed: a full or failing flash.",
                    "The new images, fonts and executable are in place; the previous version is kept in Previous.",
                    "Make room on \\NandFlash, then switch the device off and on: the next boot goes through the "
                    "installation again."};
        case InstallFailure::kImagesDoNotFit:
            return {"delta does not fit: images",
                    "The delta package was made for another installed version: an installed image it takes is "
                    "missing or differs from what its manifest says (the debug log names the first).",
                    kDeltaNothingSwitched, kDeltaNext};
        case InstallFailure::kFontsDoNotFit:
            return {"delta does not fit: fonts",
                    "The delta package was made for another installed version: an installed font it takes is "
                    "missing or differs from what its manifest says (the debug log names the first).",
                    kDeltaNothingSwitched, kDeltaNext};
        case InstallFailure::kExeDoesNotFit:
            return {"delta does not fit: executable",
                    "The delta package was made for another installed version: the installed "
                    "\\NandFlash\\Merrow\\Orvane3.exe is not the one its patch applies to.",
                    "Usually found before anything is switched over; found while patching, the new images and fonts "
                    "are in place already.",
                    kDeltaNext};
        case InstallFailure::kBadDelta:
            return {"the delta package is unusable",
                    "Its manifest or its patch cannot be used: a manifest and its archive that disagree, a path named "
                    "twice, a patch whose records do not fit the sizes its head names or that makes another file "
                    "than it names.",
                    "Usually found before anything is switched over; a patch found unusable at its turn leaves the "
                    "new images and fonts in place.",
                    "Build the delta again with ruvexa-pack delta and check it with ruvexa-pack verify, or put the "
                    "release's full package in its place."};
        case InstallFailure::kWritePatchedExe:
            return {"the patched executable cannot be written",
                    "A delta package's patch was applied to the installed executable, but the result, "
                    "\\NandFlash\\Merrow\\Orvane3.exe_, could not be written: a full flash.",
                    "The new images and fonts are in place; the executable is the old one.",
                    "Make room on \\NandFlash, then switch the device off and on."};
        case InstallFailure::kWriteNextKeys:
            return {"the next trusted keys cannot be written",
                    "The package rotates the device's signing keys, and \\NandFlash\\Merrow\\Upgrade.next, which "
                    "holds the next keys until they replace Upgrade.pub, could not be written: a full flash.",
                    "The new version is in place and the old keys still trusted; the request stays, so the next boot "
                    "installs the package again.",
                    "Make room on \\NandFlash, then switch the device off and on."};
    }
    return {};
}

constexpr const char* kRollbackNext =
    "Switch the device off and on: the next boot tries the rollback again from where it stopped. If the code comes "
    "back, the debug log names the file; make room on \\NandFlash or remove the write protection or lock on it.";

constexpr CodeExplanation Explain(RollbackFailure failure) {
    switch (failure) {
        case RollbackFailure::kRemoveNew:
            return {"a new item cannot be removed",
                    "The rollback could not remove an item of the version on trial (Orvane3.exe, Images or Font in "
                    "\\NandFlash\\Merrow): it is read-only or in use.",
                    nullptr, kRollbackNext};
        case RollbackFailure::kRestoreOld:
            return {"an old item cannot be moved back",
                    "An item of the previous version could not be moved back from \\NandFlash\\Merrow\\Previous.",
                    "The new item was removed already: the device lacks it until the rollback completes.",
                    kRollbackNext};
        case RollbackFailure::kRecordRejected:
            return {"the rolled-back release cannot be recorded",
                    "\\NandFlash\\Merrow\\Rejected.txt could not be written (a full flash).",
                    "The previous version is back in place; the trial has not ended yet.", kRollbackNext};
        case RollbackFailure::kEndTrial:
            return {"the trial cannot be ended",
                    "The emptied Previous folder, Floor.next, Trial.flag or a start record (Trial.1, Trial.2, ...) in "
                    "\\NandFlash\\Merrow could not be deleted.",
                    "The previous version is back in place.", kRollbackNext};
        case RollbackFailure::kReadTrial:
            return {"the trial flag cannot be read",
                    "\\NandFlash\\Merrow\\Trial.flag, which names the release on trial, could not be read.",
                    "Nothing was changed.", kRollbackNext};
    }
    return {};
}

// True when every failure of `Failure`'s table has an explanation; a
// failure missing from its switch makes this no constant.
template <typename Failure>
constexpr bool ExplainsEveryFailure() {
    for (const FailureCodeRow<Failure>& row : FailureCodes<Failure>::kCodes) {
        const CodeExplanation explanation = Explain(row.failure);
        if (!explanation.summary || !explanation.meaning || !explanation.next) return false;
    }
    return true;
}

static_assert(ExplainsEveryFailure<Refusal>(), "every refusal needs an explanation");
static_assert(ExplainsEveryFailure<ExtractFailure>(), "every extraction failure needs an explanation");
static_assert(ExplainsEveryFailure<InstallFailure>(), "every installation failure needs an explanation");
static_assert(ExplainsEveryFailure<RollbackFailure>(), "every rollback failure needs an explanation");

constexpr CodeExplanation kUnknownFailure = {
    "a failure without a code of its own",
    "A worker posted a failure that has no row in its stage's code table. No step of the program does so: it "
    "points to a fault of the launcher itself.",
    "What the stage named on screen leaves after any of its failures.",
    "Keep the debug log and Upgrade.log and report them; switch the device off and on to try again."};

// A code text of the device's tables, which are ASCII.
std::string Narrow(const WCHAR* text) {
    std::string narrow;
    for (; *text; ++text) narrow += static_cast<char>(*text);
    return narrow;
}

template <typename Failure>
void AddTable(std::vector<ExplainedCode>* codes, CodeStage stage) {
    for (const FailureCodeRow<Failure>& row : FailureCodes<Failure>::kCodes) {
        codes->push_back({Narrow(row.code), stage, Explain(row.failure), ""});
    }
}

std::vector<ExplainedCode> AllCodes() {
    std::vector<ExplainedCode> codes;
    // The refusals' screen texts stand in their own table below the shell.
    for (const FailureCodeRow<Refusal>& row : FailureCodes<Refusal>::kCodes) {
        codes.push_back({Narrow(row.code), CodeStage::kRefusal, Explain(row.failure), Narrow(RefusalText(row.failure))});
    }
    AddTable<ExtractFailure>(&codes, CodeStage::kPreparation);
    AddTable<InstallFailure>(&codes, CodeStage::kInstallation);
    AddTable<RollbackFailure>(&codes, CodeStage::kRollback);
    codes.push_back({Narrow(kUnknownFailureCode), CodeStage::kAnyStage, kUnknownFailure, ""});
    return codes;
}

}  // namespace

const std::vector<ExplainedCode>& ExplainedCodes() {
    static const std::vector<ExplainedCode> codes = AllCodes();
    return codes;
}

std::string NormalizedCode(const std::string& typed) {
    std::string digits = typed;
    if (digits.size() > 3 && std::tolower(static_cast<unsigned char>(digits[0])) == 'e' &&
        std::tolower(static_cast<unsigned char>(digits[1])) == 'r' &&
        std::tolower(static_cast<unsigned char>(digits[2])) == 'r') {
        digits.erase(0, 3);
    }
    if (digits.size() != 2) return "";
    for (char& c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return "";
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return "Err" + digits;
}

const ExplainedCode* FindExplainedCode(const std::string& typed) {
    const std::string code = NormalizedCode(typed);
    for (const ExplainedCode& each : ExplainedCodes()) {
        if (!code.empty() && each.code == code) return &each;
    }
    return nullptr;
}

const char* StageName(CodeStage stage) {
    switch (stage) {
        case CodeStage::kRefusal:
            return "refusal";
        case CodeStage::kPreparation:
            return "preparation (extraction)";
        case CodeStage::kInstallation:
            return "installation";
        case CodeStage::kRollback:
            return "rollback";
        case CodeStage::kAnyStage:
            break;
    }
    return "any stage";
}

const char* StageWhen(CodeStage stage) {
    switch (stage) {
        case CodeStage::kRefusal:
            return "before anything is written, once the search has found the package and before the preparation "
                   "begins; the code shows for three seconds.";
        case CodeStage::kPreparation:
            return "while \"Preparing...\" shows, the package is checked (head, tail, sizes, signature) and its "
                   "three sections are written beside it as AppExecute.ex, AppImages.zi and AppFonts.zi, then the "
                   "checksum is compared.";
        case CodeStage::kInstallation:
            return "while \"Upgrading...\" shows, the images, then the fonts, then the executable are switched "
                   "over in \\NandFlash\\Merrow (a delta package is first checked against the installed version).";
        case CodeStage::kRollback:
            return "at a boot that finds the new version's trial used up (Trial.flag with all its starts "
                   "recorded), while \"Rolling back...\" shows, each new item is removed and the old one moved back "
                   "from \\NandFlash\\Merrow\\Previous, then the release is recorded in Rejected.txt and the trial "
                   "ends.";
        case CodeStage::kAnyStage:
            break;
    }
    return "posted by the worker of any stage.";
}

const char* StageLeaves(CodeStage stage) {
    switch (stage) {
        case CodeStage::kRefusal:
            return "The installed version is untouched. The request goes: its flag is deleted, and a downloaded "
                   "package with its signature too (a package on a USB disk stays). The boot goes on without an "
                   "upgrade and starts the installed application.";
        case CodeStage::kPreparation:
            return "The installed version is untouched. Section files written before the failure are deleted again. "
                   "The request and the package (with its signature) stay: the device stops on this screen, and the "
                   "next boot (switch it off and on) tries the same package again.";
        case CodeStage::kInstallation:
            return "What was switched over before the failure stays switched over. The request and the package "
                   "stay: the device stops on this screen, and the next boot (switch it off and on) prepares and "
                   "installs the package again.";
        case CodeStage::kRollback:
            return "The steps done before the failure stay done. Trial.flag stays: the device stops on this screen, "
                   "and the next boot tries the rollback again. Upgrade.log has no result line for a failed rollback.";
        case CodeStage::kAnyStage:
            break;
    }
    return "The device stops on the screen with the code; the request stays.";
}

}  // namespace pack
