#include "unzip_fixture.h"

#include <algorithm>
#include <filesystem>

#include "ruvexa_host.h"
#include "unzip_file.h"

namespace fs = std::filesystem;

namespace unzip_testing {

UnzipTest::UnzipTest() { device.MakeFolder(L"\\NandFlash\\Work"); }

UnzipTest::~UnzipTest() { host::ClearFailures(); }

int UnzipTest::UnZipFileInto(LPCWSTR folder) { return UnZipFile(kArchive, folder); }

std::vector<std::string> UnzipTest::DeviceTree() const {
    std::vector<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(device.Root())) {
        tree.push_back(fs::relative(entry.path(), device.Root()).generic_string());
    }
    std::sort(tree.begin(), tree.end());
    return tree;
}

}  // namespace unzip_testing
