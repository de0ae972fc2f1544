// ruvexa-pack verify and inspect on faulty packages, each made by changing
// a good one: the device's failure code for each, and its log line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "pack_runner.h"
#include "package_builder.h"

using pack_test::LittleEndianAt;
using pack_test::RandomBytes;
using package_testing::BuildPackage;
using pack_test::PutLittleEndian;
using pack_test::ToolRun;
using pack_test::Workspace;

namespace {

constexpr size_t kExeSize = 3000;

class VerifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        space_.Write("app.exe", RandomBytes(kExeSize, 11));
        space_.Write("images/Start.bmp", RandomBytes(5000, 12));
        space_.Write("fonts/Sans.ttf", RandomBytes(700, 13));
        ToolRun build = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("images"),
                                     "--fonts", space_.Path("fonts"), "-o", space_.Path("OV3_UPGRADE_GOOD.BIN")});
        ASSERT_EQ(build.status, 0) << build.err;
        good_ = space_.Read("OV3_UPGRADE_GOOD.BIN");
        tail_ = good_.size() - 16;
        imagesSize_ = LittleEndianAt(good_, tail_ + 4);
        fontsSize_ = LittleEndianAt(good_, tail_ + 8);
        dataSize_ = kExeSize + imagesSize_ + fontsSize_;
        ASSERT_EQ(good_.size(), dataSize_ + 24);
    }

    ToolRun Verify(const std::string& bytes) {
        space_.Write("OV3_UPGRADE_TEST.BIN", bytes);
        return space_.Pack({"verify", space_.Path("OV3_UPGRADE_TEST.BIN")});
    }

    std::string Section(size_t offset, size_t size) const { return good_.substr(offset, size); }

    Workspace space_;
    std::string good_;
    size_t tail_ = 0, imagesSize_ = 0, fontsSize_ = 0, dataSize_ = 0;
};

struct Fault {
    std::string name;
    std::string bytes;
    std::string code;
    std::string logged;  // part of the program's own log line, or "" when the program logs none
};

TEST_F(VerifyTest, EachFaultGetsTheDeviceCode) {
    std::string exe = Section(8, kExeSize);
    std::string images = Section(8 + kExeSize, imagesSize_);
    std::string fonts = Section(8 + kExeSize + imagesSize_, fontsSize_);

    std::string wrongSignature = good_;
    wrongSignature[0] = 0x01;
    std::string dataSizeOff = good_;
    PutLittleEndian(&dataSizeOff, 4, dataSize_ + 1);
    std::string inserted = good_;
    inserted.insert(8 + kExeSize + 10, 1, 'x');
    std::string appended = good_ + "x";
    std::string flipped = good_;
    flipped[8 + kExeSize + 100] ^= 0x01;
    // The sizes add up to data_size only with 32-bit wrap-around; the exe
    // section then runs past the end of the file.
    std::string wrapped = good_;
    PutLittleEndian(&wrapped, tail_, kExeSize + 0x80000000u);
    PutLittleEndian(&wrapped, tail_ + 4, imagesSize_ + 0x80000000u);
    const std::string data = std::to_string(dataSize_), length = std::to_string(dataSize_ + 24);

    const Fault faults[] = {
        {"wrong signature", wrongSignature, "Err04", "Invalid file signature=[4F562D01]"},
        {"data size off", dataSizeOff, "Err08",
         "Wrong data size, head=[" + std::to_string(dataSize_ + 1) + "], tail=[" + data + "]"},
        {"byte inserted into a section", inserted, "Err09",
         "Wrong file size, actual=[" + std::to_string(dataSize_ + 25) + "], expected=[" + length + "]"},
        {"byte appended after the tail", appended, "Err08", "Wrong data size"},
        {"byte flipped in a section", flipped, "Err0F", ""},
        {"exe_size 0", BuildPackage({.images = images, .fonts = fonts}), "Err0D", ""},
        {"images_size 0", BuildPackage({.exe = exe, .fonts = fonts}), "Err23", ""},
        {"empty file", "", "Err04", "Invalid file signature=[0]"},
        {"10 bytes with a valid signature", good_.substr(0, 10), "Err05", "Failed to point tail"},
        {"sizes that wrap around", wrapped, "Err0C", ""},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        ToolRun run = Verify(fault.bytes);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out.substr(0, 7), fault.code + ": ") << run.out;
        size_t lines = std::count(run.out.begin(), run.out.end(), '\n');
        EXPECT_EQ(lines, fault.logged.empty() ? 1u : 2u) << "the code with its reason, then the log line" << run.out;
        if (!fault.logged.empty()) {
            EXPECT_NE(run.out.find("device log: ExtractThreadProc(): !!! "), std::string::npos) << run.out;
            EXPECT_NE(run.out.find(fault.logged), std::string::npos) << run.out;
        }
    }
}

TEST_F(VerifyTest, PackageWithoutFontsIsAcceptedAndFaultsLeaveItUntouched) {
    ToolRun build = space_.Pack({"build", "--exe", space_.Path("app.exe"), "--images", space_.Path("images"),
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
    ToolRun list = space_.Pack({"list", space_.Path("OV3_UPGRADE_BAD.BIN")});
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.out.substr(0, 5), "Err0F") << "nor listed";
    EXPECT_EQ(space_.Read("OV3_UPGRADE_BAD.BIN"), flipped);
}

// inspect ends with its verdict and exits 1 for a damaged package; --json
// gives the same as one object.
TEST_F(VerifyTest, InspectEndsWithTheVerdict) {
    std::string flipped = good_;
    flipped[8 + 1] ^= 0x01;
    const std::vector<std::pair<std::string, std::string>> rows = {
        {good_, "verdict:         sound\n"},
        {flipped, "verdict:         damaged: the computed checksum differs from the stored one (the device shows "
                  "Err0F)\n"},
        // Cut short, its tail is read from where the head does not put it:
        // only the missing bytes are named.
        {good_.substr(0, 4000), "verdict:         damaged: the file is incomplete: " +
                                    std::to_string(good_.size() - 4000) + " bytes missing (the head says the package "
                                    "is " + std::to_string(good_.size()) + " bytes long, the file is 4000 bytes) "
                                    "(the device shows Err08)\n"},
        {"3-V", "verdict:         damaged: the magic is not \"3-VO\"; the file is shorter than its 16-byte tail (the "
                "device shows Err04)\n"},
    };
    for (const auto& [bytes, verdict] : rows) {
        space_.Write("OV3_UPGRADE_X.BIN", bytes);
        ToolRun text = space_.Pack({"inspect", space_.Path("OV3_UPGRADE_X.BIN")});
        EXPECT_EQ(text.status, bytes == good_ ? 0 : 1) << text.out;
        ASSERT_GE(text.out.size(), verdict.size());
        EXPECT_EQ(text.out.substr(text.out.size() - verdict.size()), verdict) << text.out;
        ToolRun json = space_.Pack({"inspect", "--json", space_.Path("OV3_UPGRADE_X.BIN")});
        EXPECT_EQ(json.status, text.status);
        EXPECT_NE(json.out.find(bytes == good_ ? "\"verdict\":\"sound\",\"problems\":[],\"device_code\":null}"
                                               : "\"verdict\":\"damaged\""),
                  std::string::npos) << json.out;
    }
    ToolRun json = space_.Pack({"inspect", "--json", space_.Path("OV3_UPGRADE_GOOD.BIN")});
    char checksum[16];
    std::snprintf(checksum, sizeof checksum, "0x%08X", LittleEndianAt(good_, tail_ + 12));
    EXPECT_NE(json.out.find(std::string("\"checksum\":{\"stored\":\"") + checksum + "\",\"computed\":\"" + checksum + "\""),
              std::string::npos) << json.out;
    EXPECT_NE(json.out.find("{\"name\":\"fonts\",\"offset\":" + std::to_string(8 + kExeSize + imagesSize_) +
                            ",\"size\":" + std::to_string(fontsSize_) + "}"),
              std::string::npos) << json.out;
}

}  // namespace
