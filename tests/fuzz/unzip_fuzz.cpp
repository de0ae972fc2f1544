// libFuzzer target for UnZipFile: the input is the archive's bytes, written
// to a file of a temporary device and unpacked into a folder there. Besides
// the sanitizers' findings (crashes, memory errors, leaks), an input fails
// when anything outside the output folder changed, or when a file handle
// stayed open.
#include <windows.h>

#include <cstdint>

#include "fuzz_device.h"
#include "unzip_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzzing::FuzzDevice device("NandFlash/Merrow/Images_");
    device.WriteFile("NandFlash/Work/AppImages.zi", data, size);
    const fuzzing::Snapshot before = device.Take();
    const int descriptors = fuzzing::OpenDescriptors();

    UnZipFile(L"\\NandFlash\\Work\\AppImages.zi", L"\\NandFlash\\Merrow\\Images_");

    fuzzing::CheckUnchanged("unzip_fuzz", before, device.Take(), descriptors);
    device.ClearWritable();
    return 0;
}
