// Pre-verification on real package files: the accepted layouts, each faulty
// layout with its failure index and log line, and platform failures through
// the failure hook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crc32.h"
#include "extract_codes.h"
#include "extract_section.h"
#include "package_builder.h"
#include "preverify.h"
#include "ruvexa_host.h"
#include "test_support.h"

namespace {

using package_testing::BuildPackage;
using package_testing::PackageContents;
using Lines = std::vector<std::string>;

const wchar_t kPackagePath[] = L"\\Hard Disk\\OV3_UPGRADE_TEST.BIN";
const std::string kPackageLogPath = "\\Hard Disk\\OV3_UPGRADE_TEST.BIN";

PackageContents SmallPackage() { return {.exe = "EXE-bytes", .images = "PK-images", .fonts = "PK-fonts!"}; }

class PreVerifyTest : public ::testing::Test {
protected:
    void TearDown() override {
        host::ClearFailures();
        CloseIfOpen();
    }

    // Writes the package file, runs the check on it and keeps the outcome.
    BOOL Run(const std::string& bytes) {
        device.WriteFile(kPackagePath, bytes);
        return RunOnPath(kPackagePath);
    }

    BOOL RunOnPath(const wchar_t* path) {
        CloseIfOpen();
        log.Clear();
        package = nullptr;
        info = PackageInfo{0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA};
        crc = 0;
        failureIndex = static_cast<ExtractFailure>(0xDEADBEEF);
        return PreVerifyPackage(path, &package, &info, &crc, &failureIndex);
    }

    void CloseIfOpen() {
        if (package != nullptr && package != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(package));
        }
        package = nullptr;
    }

    DWORD ReadPosition() const { return SetFilePointer(package, 0, nullptr, FILE_CURRENT); }

    testing_support::TempDevice device;
    testing_support::LogCapture log;
    HANDLE package = nullptr;
    PackageInfo info{};
    DWORD crc = 0;
    ExtractFailure failureIndex{};
};

TEST_F(PreVerifyTest, AcceptsValidPackagesWithAndWithoutFonts) {
    PackageContents withoutFonts = SmallPackage();
    withoutFonts.fonts.clear();

    for (const PackageContents& contents : {SmallPackage(), withoutFonts}) {
        SCOPED_TRACE(contents.fonts.empty() ? "without fonts" : "with fonts");
        std::string bytes = BuildPackage(contents);
        DWORD dataSize = static_cast<DWORD>(bytes.size() - 24);

        ASSERT_TRUE(Run(bytes));
        EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): pre-verification ok, at=[*]"});
        EXPECT_EQ(info.signature, 0x4F562D33u);
        EXPECT_EQ(info.data_size, dataSize);
        EXPECT_EQ(info.exe_size, contents.exe.size());
        EXPECT_EQ(info.images_size, contents.images.size());
        EXPECT_EQ(info.fonts_size, contents.fonts.size());
        EXPECT_EQ(info.checksum, package_testing::ReferenceCrc32(bytes.substr(0, 8 + dataSize)));

        EXPECT_EQ(ReadPosition(), 8u);
        DWORD headCrc = crc;
        Crc32Final(&headCrc);
        EXPECT_EQ(headCrc, package_testing::ReferenceCrc32(bytes.substr(0, 8)));
    }
}

TEST_F(PreVerifyTest, RejectsWrongSignatureBeforeTheTail) {
    struct Case {
        std::string bytes;
        std::string logged;
    };
    std::string valid = BuildPackage(SmallPackage());
    const Case cases[] = {
        {std::string("\x01\x00\x00\x00", 4) + valid.substr(4), "1"},
        {std::string("\x00\x01\x00\x00", 4) + valid.substr(4), "100"},
        {"4" + valid.substr(1), "4F562D34"},  // only the first byte differs
        {"X" + valid, "562D3358"},            // a byte in front moves the signature
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        // An armed seek failure stays unused: the check ends before the tail.
        host::FailCall(host::Op::SetFilePointer, ERROR_IO_DEVICE);
        ASSERT_FALSE(Run(c.bytes));
        host::ClearFailures();
        EXPECT_EQ(failureIndex, ExtractFailure::kBadSignature);
        EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Invalid file signature=[" + c.logged + "], at=[*]"});
        // Failed after the open: the handle is the caller's to close.
        EXPECT_NE(package, INVALID_HANDLE_VALUE);
    }
}

TEST_F(PreVerifyTest, RejectsFilesTooShortForHeadOrTail) {
    // Empty: nothing is read, so the signature stays 0.
    ASSERT_FALSE(Run(""));
    EXPECT_EQ(failureIndex, ExtractFailure::kBadSignature);
    EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Invalid file signature=[0], at=[*]"});

    // Three bytes of a signature: the missing fourth byte reads as zero.
    ASSERT_FALSE(Run("3-V"));
    EXPECT_EQ(failureIndex, ExtractFailure::kBadSignature);
    EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Invalid file signature=[562D33], at=[*]"});

    // A valid signature but no room for a 16-byte tail.
    for (std::string bytes : {std::string("3-VO"), std::string("3-VO") + std::string(11, '\0')}) {
        SCOPED_TRACE(bytes.size());
        ASSERT_FALSE(Run(bytes));
        EXPECT_EQ(failureIndex, ExtractFailure::kPointTail);
        EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Failed to point tail, at=[*]"});
    }
}

TEST_F(PreVerifyTest, RejectsSizesThatDisagree) {
    PackageContents contents = SmallPackage();  // E = I = F = 9, D = 27
    // data_size one too large; the file length still matches the sections.
    contents.dataSize = 28;
    ASSERT_FALSE(Run(BuildPackage(contents)));
    EXPECT_EQ(failureIndex, ExtractFailure::kWrongDataSize);
    EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Wrong data size, head=[28], tail=[27], at=[*]"});

    // The tail's fonts size one too small, so the file length matches the head.
    contents = SmallPackage();
    contents.fontsSize = 8;
    ASSERT_FALSE(Run(BuildPackage(contents)));
    EXPECT_EQ(failureIndex, ExtractFailure::kWrongDataSize);
    EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Wrong data size, head=[27], tail=[26], at=[*]"});

    // A byte inserted into the exe section: head and tail agree, the length does not.
    std::string bytes = BuildPackage(SmallPackage());
    bytes.insert(10, 1, 'Z');
    ASSERT_FALSE(Run(bytes));
    EXPECT_EQ(failureIndex, ExtractFailure::kWrongFileSize);
    EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Wrong file size, actual=[52], expected=[51], at=[*]"});
}

TEST_F(PreVerifyTest, ByteAppendedAfterTheTailShiftsTheTail) {
    const PackageContents contents = {.exe = "abc", .images = "de", .fonts = "f", .checksum = 0x11223344};
    // Tail bytes 03000000 02000000 01000000 44332211, then 00: the last 16
    // bytes read as 0x02000000, 0x01000000, 0x44000000 and 0x00112233.
    ASSERT_FALSE(Run(BuildPackage(contents) + std::string(1, '\0')));
    EXPECT_EQ(failureIndex, ExtractFailure::kWrongDataSize);
    EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Wrong data size, head=[6], tail=[1191182336], at=[*]"});
    EXPECT_EQ(info.exe_size, 0x02000000u);
    EXPECT_EQ(info.checksum, 0x00112233u);
}

TEST_F(PreVerifyTest, WrappedSizeSumPassesButTheOversizedCopyFails) {
    // 0xFFFFFFF8 + 0x18 wraps to 16, the real data size.
    const PackageContents contents = {
        .exe = "ABCDEFGH", .images = "12345678", .exeSize = 0xFFFFFFF8, .imagesSize = 0x18};
    ASSERT_TRUE(Run(BuildPackage(contents)));
    EXPECT_EQ(info.data_size, 16u);

    const wchar_t outputPath[] = L"\\Hard Disk\\AppExecute.ex";
    HANDLE output = CreateFileW(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    ASSERT_NE(output, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ExtractSection(output, package, info.exe_size, &crc));
    EXPECT_TRUE(CloseHandle(output));
    EXPECT_EQ(device.ReadFile(outputPath), "");
}

TEST_F(PreVerifyTest, OpenFailuresLeaveNoHandle) {
    struct Case {
        const wchar_t* path;
        std::string logged;
        DWORD error;
    };
    const Case cases[] = {
        {L"\\Hard Disk\\OV3_UPGRADE_GONE.BIN", "\\Hard Disk\\OV3_UPGRADE_GONE.BIN", ERROR_FILE_NOT_FOUND},
        {L"\\Hard Disk\\Missing\\OV3_UPGRADE_1.BIN", "\\Hard Disk\\Missing\\OV3_UPGRADE_1.BIN", ERROR_PATH_NOT_FOUND},
    };
    device.MakeFolder(L"\\Hard Disk");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        ASSERT_FALSE(RunOnPath(c.path));
        EXPECT_EQ(failureIndex, ExtractFailure::kOpenPackage);
        EXPECT_EQ(package, INVALID_HANDLE_VALUE);
        EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Failed to create file handler=[" + c.logged +
                                           "], error=[" + std::to_string(c.error) + "], at=[*]"});
    }
}

TEST_F(PreVerifyTest, PackageOpenedElsewhereCannotBeOpened) {
    device.WriteFile(kPackagePath, BuildPackage(SmallPackage()));
    HANDLE other = CreateFileW(kPackagePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RunOnPath(kPackagePath));
    EXPECT_TRUE(CloseHandle(other));
    EXPECT_EQ(failureIndex, ExtractFailure::kOpenPackage);
    EXPECT_EQ(package, INVALID_HANDLE_VALUE);
    EXPECT_EQ(log.MaskedLines(), Lines{"ExtractThreadProc(): !!! Failed to create file handler=[" + kPackageLogPath +
                                       "], error=[32], at=[*]"});

    // While the check holds the package, nobody else can open it.
    ASSERT_TRUE(RunOnPath(kPackagePath));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(CreateFileW(kPackagePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST_F(PreVerifyTest, PlatformCallFailuresEndAtTheirStep) {
    struct Case {
        host::Op op;
        unsigned nth;
        DWORD error;
        ExtractFailure index;
        std::string line;
    };
    const Case cases[] = {
        {host::Op::CreateFileW, 1, ERROR_ACCESS_DENIED, ExtractFailure::kOpenPackage,
         "ExtractThreadProc(): !!! Failed to create file handler=[" + kPackageLogPath + "], error=[5], at=[*]"},
        {host::Op::ReadFile, 1, ERROR_IO_DEVICE, ExtractFailure::kReadHead,
         "ExtractThreadProc(): !!! Failed to read header=[" + kPackageLogPath + "], error=[1117], at=[*]"},
        {host::Op::SetFilePointer, 1, ERROR_IO_DEVICE, ExtractFailure::kPointTail,
         "ExtractThreadProc(): !!! Failed to point tail, at=[*]"},
        {host::Op::ReadFile, 2, ERROR_IO_DEVICE, ExtractFailure::kReadTail,
         "ExtractThreadProc(): !!! Failed to read tail=[" + kPackageLogPath + "], error=[1117], at=[*]"},
        {host::Op::SetFilePointer, 2, ERROR_IO_DEVICE, ExtractFailure::kPointExe,
         "ExtractThreadProc(): !!! Failed to point exe, at=[*]"},
    };
    std::string bytes = BuildPackage(SmallPackage());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        device.WriteFile(kPackagePath, bytes);
        host::FailCall(c.op, c.error, c.nth);
        ASSERT_FALSE(RunOnPath(kPackagePath));
        host::ClearFailures();
        EXPECT_EQ(failureIndex, c.index);
        EXPECT_EQ(log.MaskedLines(), Lines{c.line});
        if (c.index == ExtractFailure::kOpenPackage) {
            EXPECT_EQ(package, INVALID_HANDLE_VALUE);
        } else {
            EXPECT_NE(package, INVALID_HANDLE_VALUE);
        }
    }
}

}  // namespace
