// libFuzzer target for the extraction worker: the input is a package file in
// the download folder of a temporary device, pre-verified and split into its
// sections by ExtractThreadProc as on the device. Besides the sanitizers'
// findings, an input fails when anything outside the download folder
// changed, or when a file stayed open.
#include <windows.h>

#include <cstdint>

#include "extraction.h"
#include "fuzz_device.h"

namespace {

constexpr char kDownload[] = "Storage Card/OV3_Download";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzing::FuzzDevice device(kDownload);
    device.WriteFile(std::string(kDownload) + "/OV3_UPGRADE_1.BIN", data, size);
    const fuzzing::Snapshot before = device.Take();
    const int descriptors = fuzzing::OpenDescriptors();

    Preparer preparer = {};
    preparer.upgrade_file = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_1.BIN";
    preparer.exe_file = L"\\Storage Card\\OV3_Download\\AppExecute.ex";
    preparer.images_file = L"\\Storage Card\\OV3_Download\\AppImages.zi";
    preparer.fonts_file = L"\\Storage Card\\OV3_Download\\AppFonts.zi";
    ExtractThreadProc(&preparer);

    fuzzing::CheckUnchanged("package_fuzz", before, device.Take(), descriptors);
    device.ClearWritable();
    return 0;
}
