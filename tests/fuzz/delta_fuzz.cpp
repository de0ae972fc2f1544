// libFuzzer target for a delta's untrusted input on the device: the input
// is split into a manifest (its length in the first two bytes,
// little-endian) and an executable patch. The manifest goes into an images
// archive that also carries "c.bmp"; CheckDeltaPackage judges the sections,
// then, whatever it said, the new folder is built against the installed
// images and the patch applied to the installed executable, both into a
// work folder. Besides the sanitizers' findings, an input fails when
// anything outside the work folder changed, or when a file stayed open.
#include <windows.h>

#include <cstdint>
#include <string>

#include "archive_support.h"
#include "delta_install.h"
#include "delta_package_check.h"
#include "exe_patch.h"
#include "fuzz_device.h"

namespace {

constexpr char kWork[] = "NandFlash/Work";

// The installed executable the seeds' patches apply to: 4096 bytes, i * 7
// mod 251 (tests/fuzz/make_delta_seeds.py makes the same).
std::string InstalledExe() {
    std::string bytes(4096, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

const fuzzing::FuzzDevice& Device() {
    static const fuzzing::FuzzDevice device(kWork);
    static const bool installed = [] {
        const std::string exe = InstalledExe();
        const std::string sub = "sub installed";
        device.WriteFile("NandFlash/Merrow/Orvane3.exe", reinterpret_cast<const unsigned char*>(exe.data()), exe.size());
        device.WriteFile("NandFlash/Merrow/Images/sub/a.bmp", reinterpret_cast<const unsigned char*>(sub.data()),
                         sub.size());
        return true;
    }();
    (void)installed;
    return device;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzzing::FuzzDevice& device = Device();
    if (size < 2) return 0;
    const size_t manifestSize = std::min<size_t>(data[0] | data[1] << 8, size - 2);
    const std::string manifest(reinterpret_cast<const char*>(data + 2), manifestSize);
    device.WriteFile(std::string(kWork) + "/AppExecute.ex", data + 2 + manifestSize, size - 2 - manifestSize);
    if (!unzip_testing::MakeMinizipZip(device.Root() + "/" + kWork + "/AppImages.zi",
                                       {{.name = "Delta.manifest", .data = manifest}, {.name = "c.bmp", .data = "new"}})) {
        return 0;
    }
    const fuzzing::Snapshot before = device.Take();
    const int descriptors = fuzzing::OpenDescriptors();

    DeltaExeLine exe;
    CheckDeltaPackage(L"\\NandFlash\\Work\\AppExecute.ex", L"\\NandFlash\\Work\\AppImages.zi",
                      L"\\NandFlash\\Work\\AppFonts.zi", &exe);
    BuildDeltaFolder(L"\\NandFlash\\Work\\AppImages.zi", L"\\NandFlash\\Merrow\\Images", L"\\NandFlash\\Work\\Images_",
                     nullptr);
    ApplyPatch(L"\\NandFlash\\Work\\AppExecute.ex", L"\\NandFlash\\Merrow\\Orvane3.exe",
               L"\\NandFlash\\Work\\Orvane3.exe_");

    fuzzing::CheckUnchanged("delta_fuzz", before, device.Take(), descriptors);
    device.ClearWritable();
    return 0;
}
