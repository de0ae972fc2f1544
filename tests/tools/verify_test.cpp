// ruvexa-pack verify and inspect on faulty packages, each made by changing
// a good one: the device's failure code for each, and its log line.
#include <gtest/gtest.h>

#include <algorithm>

#include "pack_runner.h"

using pack_test::LittleEndianAt;
using pack_test::Noise;
using pack_test::PutLittleEndian;
using pack_test::ToolRun;
using pack_test::Workspace;

namespace {

constexpr size_t kExeSize = 3000;
constexpr size_t kImagesSize = 5000;
constexpr size_t kFontsSize = 700;
constexpr size_t kDataSize = kExeSize + kImagesSize + kFontsSize;
constexpr size_t kTail = 8 + kDataSize;

class VerifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        space_.Write("app.exe", Noise(kExeSize, 11));
        WriteStoredZip("images.zip", kImagesSize, 12);
        WriteStoredZip("fonts.zip", kFontsSize, 13);
        ToolRun build = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("images.zip"),
                                 "--fonts", space_.Path("fonts.zip"), "-o", space_.Path("OV3_UPGRADE_GOOD.BIN")});
        ASSERT_EQ(build.status, 0) << build.err;
        good_ = space_.Read("OV3_UPGRADE_GOOD.BIN");
        ASSERT_EQ(good_.size(), kDataSize + 24);
    }

    // A zip of `size` bytes that the device unpacks: one stored entry "d"
    // of noise, framed by 100 bytes of Info-ZIP's records.
    void WriteStoredZip(const std::string& name, size_t size, uint32_t seed) {
        space_.Write("d", Noise(size - 100, seed));
        ASSERT_EQ(space_.Tool("zip", {"-q", "-X", "-0", "-j", space_.Path(name), space_.Path("d")}).status, 0);
        ASSERT_EQ(space_.Read(name).size(), size);
    }

    // A package of the given sections with a consistent head, tail and length.
    std::string Assemble(const std::string& exe, const std::string& images, const std::string& fonts) const {
        std::string package = "3-VO" + std::string(4, '\0') + exe + images + fonts + std::string(16, '\0');
        PutLittleEndian(&package, 4, static_cast<uint32_t>(exe.size() + images.size() + fonts.size()));
        size_t tail = package.size() - 16;
        PutLittleEndian(&package, tail, static_cast<uint32_t>(exe.size()));
        PutLittleEndian(&package, tail + 4, static_cast<uint32_t>(images.size()));
        PutLittleEndian(&package, tail + 8, static_cast<uint32_t>(fonts.size()));
        return package;
    }

    ToolRun Verify(const std::string& bytes) {
        space_.Write("OV3_UPGRADE_TEST.BIN", bytes);
        return space_.Pack({"verify", space_.Path("OV3_UPGRADE_TEST.BIN")});
    }

    std::string Section(size_t offset, size_t size) const { return good_.substr(offset, size); }

    Workspace space_;
    std::string good_;
};

struct Fault {
    const char* name;
    std::string bytes;
    const char* code;
    const char* logged;  // part of the program's own log line, or "" when the program logs none
};

TEST_F(VerifyTest, EachFaultGetsTheDeviceCode) {
    std::string exe = Section(8, kExeSize);
    std::string images = Section(8 + kExeSize, kImagesSize);
    std::string fonts = Section(8 + kExeSize + kImagesSize, kFontsSize);

    std::string wrongSignature = good_;
    wrongSignature[0] = 0x01;
    std::string dataSizeOff = good_;
    PutLittleEndian(&dataSizeOff, 4, kDataSize + 1);
    std::string inserted = good_;
    inserted.insert(8 + kExeSize + 10, 1, 'x');
    std::string appended = good_ + "x";
    std::string flipped = good_;
    flipped[8 + kExeSize + 100] ^= 0x01;
    // The sizes add up to data_size only with 32-bit wrap-around; the exe
    // section then runs past the end of the file.
    std::string wrapped = good_;
    PutLittleEndian(&wrapped, kTail, kExeSize + 0x80000000u);
    PutLittleEndian(&wrapped, kTail + 4, kImagesSize + 0x80000000u);

    const Fault faults[] = {
        {"wrong signature", wrongSignature, "Err04", "Invalid file signature=[4F562D01]"},
        {"data size off", dataSizeOff, "Err08", "Wrong data size, head=[8701], tail=[8700]"},
        {"byte inserted into a section", inserted, "Err09", "Wrong file size, actual=[8725], expected=[8724]"},
        {"byte appended after the tail", appended, "Err08", "Wrong data size"},
        {"byte flipped in a section", flipped, "Err0F", ""},
        {"exe_size 0", Assemble("", images, fonts), "Err0D", ""},
        {"images_size 0", Assemble(exe, "", fonts), "Err23", ""},
        {"empty file", "", "Err04", "Invalid file signature=[0]"},
        {"10 bytes with a valid signature", good_.substr(0, 10), "Err05", "Failed to point tail"},
        {"sizes that wrap around", wrapped, "Err0C", ""},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        ToolRun run = Verify(fault.bytes);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out.substr(0, 7), std::string(fault.code) + ": ") << run.out;
        size_t lines = std::count(run.out.begin(), run.out.end(), '\n');
        EXPECT_EQ(lines, *fault.logged ? 2u : 1u) << "the code with its reason, then the log line" << run.out;
        if (*fault.logged) {
            EXPECT_NE(run.out.find("device log: ExtractThreadProc(): !!! "), std::string::npos) << run.out;
            EXPECT_NE(run.out.find(fault.logged), std::string::npos) << run.out;
        }
    }
}

TEST_F(VerifyTest, PackageWithoutFontsIsAcceptedAndFaultsLeaveItUntouched) {
    ToolRun build = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("images.zip"),
                             "-o", space_.Path("OV3_UPGRADE_NOFONTS.BIN")});
    ASSERT_EQ(build.status, 0) << build.err;
    ToolRun verify = space_.Pack({"verify", space_.Path("OV3_UPGRADE_NOFONTS.BIN")});
    EXPECT_EQ(verify.status, 0) << verify.out;
    EXPECT_EQ(verify.out, "ok\n");

    std::string flipped = good_;
    flipped[20] ^= 0x80;
    space_.Write("OV3_UPGRADE_BAD.BIN", flipped);
    ToolRun unpack = space_.Pack({"unpack", space_.Path("OV3_UPGRADE_BAD.BIN"), space_.Path("out")});
    EXPECT_EQ(unpack.status, 1);
    EXPECT_EQ(unpack.out.substr(0, 5), "Err0F");
    EXPECT_FALSE(space_.Exists("out")) << "a refused package is not unpacked at all";
    EXPECT_EQ(space_.Read("OV3_UPGRADE_BAD.BIN"), flipped);
}

TEST_F(VerifyTest, InspectShowsDamageWithoutFailing) {
    std::string flipped = good_;
    flipped[8 + 1] ^= 0x01;
    space_.Write("OV3_UPGRADE_BAD.BIN", flipped);
    ToolRun bad = space_.Pack({"inspect", space_.Path("OV3_UPGRADE_BAD.BIN")});
    EXPECT_EQ(bad.status, 0) << bad.err;
    EXPECT_NE(bad.out.find("differs from the stored checksum"), std::string::npos) << bad.out;

    std::string truncated = good_.substr(0, 4000);
    space_.Write("OV3_UPGRADE_SHORT.BIN", truncated);
    ToolRun shortFile = space_.Pack({"inspect", space_.Path("OV3_UPGRADE_SHORT.BIN")});
    EXPECT_EQ(shortFile.status, 0) << shortFile.err;
    EXPECT_NE(shortFile.out.find("not computed"), std::string::npos) << shortFile.out;
    EXPECT_NE(shortFile.out.find("differs from the file length"), std::string::npos) << shortFile.out;

    space_.Write("OV3_UPGRADE_TINY.BIN", "3-V");
    ToolRun tiny = space_.Pack({"inspect", space_.Path("OV3_UPGRADE_TINY.BIN")});
    EXPECT_EQ(tiny.status, 0) << tiny.err;
    EXPECT_NE(tiny.out.find("shorter than 16 bytes"), std::string::npos) << tiny.out;
}

}  // namespace
