#include "unzip_fixture.h"

#include "ruvexa_host.h"
#include "unzip_file.h"

namespace unzip_testing {

UnzipTest::UnzipTest() { device.MakeFolder(L"\\NandFlash\\Work"); }

UnzipTest::~UnzipTest() { host::ClearFailures(); }

int UnzipTest::UnZipFileInto(LPCWSTR folder) { return UnZipFile(kArchive, folder); }

std::vector<std::string> UnzipTest::DeviceTree() const {
    std::vector<std::string> tree;
    for (const auto& entry : testing_support::SnapshotOf(device.Root())) tree.push_back(entry.first);
    return tree;
}

UnzipCase RefusedAfterOk(const char* name, const std::string& stored, const std::string& line) {
    return {.name = name,
            .entries = {{.name = "ok.txt", .data = "ok"}, {.name = stored, .data = "refused"}},
            .log = {line, UnzipTest::UnzipFailedLine()},
            .tree = kTreeWithOkOnly};
}

void PrintTo(const UnzipCase& row, std::ostream* out) { *out << row.name; }

std::string CaseName(const ::testing::TestParamInfo<UnzipCase>& info) { return info.param.name; }

// The one body of every UnzipCase row.
TEST_P(UnzipCaseTest, UnpacksAsTheRowSays) {
    const UnzipCase& row = GetParam();
    if (row.python.empty()) {
        ASSERT_TRUE(MakeMinizipZip(HostArchive(), row.entries));
    } else {
        ASSERT_TRUE(MakePythonZip(HostArchive(), row.python));
    }
    for (const auto& [name, bytes] : row.before) device.WriteFile(Output(name), bytes);
    if (row.failure) host::FailCall(row.failing, row.failure, row.failingCall);

    EXPECT_EQ(Extract(), row.result);
    EXPECT_EQ(log.MaskedLines(), row.log);
    for (const auto& [name, bytes] : row.files) {
        EXPECT_EQ(device.ReadFile(Output(name)), bytes) << host::WideToUtf8(name);
    }
    for (const auto& name : row.present) {
        EXPECT_TRUE(device.Exists(Output(name))) << host::WideToUtf8(name);
    }
    for (const auto& name : row.absent) {
        EXPECT_FALSE(device.Exists(Output(name))) << host::WideToUtf8(name);
    }
    for (const auto& name : row.folders) {
        EXPECT_EQ(GetFileAttributesW(Output(name).c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY))
            << host::WideToUtf8(name);
    }
    if (!row.tree.empty()) {
        EXPECT_EQ(DeviceTree(), row.tree);
    }
}

}  // namespace unzip_testing
