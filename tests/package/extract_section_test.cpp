// ExtractSection on real files: chunk boundaries, short data, failing reads,
// writes and buffer allocation, and invalid handles.
#include <gtest/gtest.h>

#include <string>

#include "crc32.h"
#include "extract_section.h"
#include "package_builder.h"
#include "ruvexa_host.h"
#include "test_support.h"

namespace {

using package_testing::RandomBytes;
using package_testing::ReferenceCrc32;

constexpr DWORD kMiB = 1024 * 1024;
const wchar_t kSourcePath[] = L"\\Hard Disk\\OV3_UPGRADE_TEST.BIN";
const wchar_t kOutputPath[] = L"\\Hard Disk\\AppExecute.ex";

class ExtractSectionTest : public ::testing::Test {
protected:
    void TearDown() override {
        host::ClearFailures();
        if (source != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(source));
        }
        CloseOutput();
    }

    // Opens `data` as the package to read from and a new, empty output.
    void Open(const std::string& data) {
        sourceData = data;
        device.WriteFile(kSourcePath, data);
        source = CreateFileW(kSourcePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(source, INVALID_HANDLE_VALUE);
        output = CreateFileW(kOutputPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        ASSERT_NE(output, INVALID_HANDLE_VALUE);
        Crc32Init(&crc);
    }

    void CloseOutput() {
        if (output != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(output));
        }
        output = INVALID_HANDLE_VALUE;
    }

    std::string Written() {
        CloseOutput();
        return device.ReadFile(kOutputPath);
    }

    // The finished checksum of what the accumulator has seen so far.
    DWORD FinishedCrc() const {
        DWORD finished = crc;
        Crc32Final(&finished);
        return finished;
    }

    testing_support::TempDevice device;
    std::string sourceData;
    HANDLE source = INVALID_HANDLE_VALUE;
    HANDLE output = INVALID_HANDLE_VALUE;
    DWORD crc = 0;
};

TEST_F(ExtractSectionTest, ZeroBytesCopiesNothing) {
    Open("abc");
    EXPECT_TRUE(ExtractSection(output, source, 0, &crc));
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    EXPECT_EQ(SetFilePointer(source, 0, nullptr, FILE_CURRENT), 0u);
    EXPECT_EQ(Written(), "");
}

TEST_F(ExtractSectionTest, SmallSectionFromTheMiddle) {
    Open("HEAD0123456789TAIL");
    ASSERT_EQ(SetFilePointer(source, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_TRUE(ExtractSection(output, source, 10, &crc));
    EXPECT_EQ(SetFilePointer(source, 0, nullptr, FILE_CURRENT), 14u);
    EXPECT_EQ(FinishedCrc(), ReferenceCrc32("0123456789"));
    EXPECT_EQ(Written(), "0123456789");
}

TEST_F(ExtractSectionTest, ExactlyOneMebibyteIsOneRead) {
    Open(RandomBytes(kMiB + 16, 1));
    // A second read would fail; a single 1 MiB chunk never reaches it.
    host::FailCall(host::Op::ReadFile, ERROR_IO_DEVICE, 2);
    EXPECT_TRUE(ExtractSection(output, source, kMiB, &crc));
    host::ClearFailures();
    EXPECT_EQ(FinishedCrc(), ReferenceCrc32(sourceData.substr(0, kMiB)));
    EXPECT_EQ(Written(), sourceData.substr(0, kMiB));
}

TEST_F(ExtractSectionTest, OneMebibytePlusOneIsTwoChunks) {
    Open(RandomBytes(kMiB + 16, 2));
    host::FailCall(host::Op::ReadFile, ERROR_IO_DEVICE, 3);
    EXPECT_TRUE(ExtractSection(output, source, kMiB + 1, &crc));
    host::ClearFailures();
    EXPECT_EQ(FinishedCrc(), ReferenceCrc32(sourceData.substr(0, kMiB + 1)));
    EXPECT_EQ(Written(), sourceData.substr(0, kMiB + 1));
}

TEST_F(ExtractSectionTest, SecondChunkFailingKeepsTheFirst) {
    Open(RandomBytes(kMiB + 16, 3));
    host::FailCall(host::Op::ReadFile, ERROR_IO_DEVICE, 2);
    EXPECT_FALSE(ExtractSection(output, source, kMiB + 1, &crc));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_DEVICE));
    EXPECT_EQ(FinishedCrc(), ReferenceCrc32(sourceData.substr(0, kMiB)));
    EXPECT_EQ(Written(), sourceData.substr(0, kMiB));
}

TEST_F(ExtractSectionTest, CountBeyondTheDataFailsOnTheShortRead) {
    Open(RandomBytes(kMiB + 5, 4));
    EXPECT_FALSE(ExtractSection(output, source, kMiB + 10, &crc));
    EXPECT_EQ(FinishedCrc(), ReferenceCrc32(sourceData.substr(0, kMiB)));
    EXPECT_EQ(Written(), sourceData.substr(0, kMiB));
}

TEST_F(ExtractSectionTest, SectionLongerThanTheDataInOneChunkWritesNothing) {
    Open("short");
    EXPECT_FALSE(ExtractSection(output, source, 6, &crc));
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    EXPECT_EQ(Written(), "");
}

TEST_F(ExtractSectionTest, WriteFailureStopsTheCopy) {
    Open(RandomBytes(2 * kMiB, 5));
    host::FailCall(host::Op::WriteFile, ERROR_DISK_FULL, 2);
    EXPECT_FALSE(ExtractSection(output, source, 2 * kMiB, &crc));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    // The chunk whose write failed is not in the accumulator.
    EXPECT_EQ(FinishedCrc(), ReferenceCrc32(sourceData.substr(0, kMiB)));
    EXPECT_EQ(Written(), sourceData.substr(0, kMiB));
}

TEST_F(ExtractSectionTest, FirstReadFailureWritesNothing) {
    Open("some section data");
    host::FailCall(host::Op::ReadFile, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ExtractSection(output, source, 4, &crc));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    EXPECT_EQ(Written(), "");
}

TEST_F(ExtractSectionTest, BufferThatCannotBeObtainedReadsNothing) {
    Open("some section data");
    host::FailCall(host::Op::LocalAlloc, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(ExtractSection(output, source, 4, &crc));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(SetFilePointer(source, 0, nullptr, FILE_CURRENT), 0u);
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    EXPECT_EQ(Written(), "");
}

// A null output is no failure: it asks for a read-only pass.
TEST_F(ExtractSectionTest, InvalidHandlesAreRefused) {
    Open("some section data");
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(ExtractSection(INVALID_HANDLE_VALUE, source, 4, &crc));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    for (HANDLE bad : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(ExtractSection(output, bad, 4, &crc));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(SetFilePointer(source, 0, nullptr, FILE_CURRENT), 0u);
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    EXPECT_EQ(Written(), "");
}

TEST_F(ExtractSectionTest, NullOutputReadsAndChecksumsOnly) {
    Open(RandomBytes(2 * kMiB + 16, 6));
    EXPECT_TRUE(ExtractSection(nullptr, source, kMiB + 1, &crc));
    EXPECT_EQ(SetFilePointer(source, 0, nullptr, FILE_CURRENT), kMiB + 1);
    EXPECT_EQ(FinishedCrc(), ReferenceCrc32(sourceData.substr(0, kMiB + 1)));
    host::FailCall(host::Op::ReadFile, ERROR_IO_DEVICE);
    EXPECT_FALSE(ExtractSection(nullptr, source, 4, &crc));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_DEVICE));
    EXPECT_EQ(Written(), "");
}

}  // namespace
