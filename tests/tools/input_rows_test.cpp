// Inputs that cannot be right, as rows: an --exe that is a package or a zip
// archive, an archive folder that holds a whole release, an archive zipped
// from outside its folder, and packages cut short or lengthened; and the
// counts the tool prints.
#include <gtest/gtest.h>

#include "command_rows.h"

namespace {

using pack_test::CommandRow;

const std::string kBuild1 =
    "ruvexa-pack build --exe release1/app.exe --images release1/images --fonts release1/fonts -o OV3_UPGRADE_1.BIN";
const std::string kBuild2 =
    "ruvexa-pack build --exe release2/app.exe --images release2/images --fonts release2/fonts -o OV3_UPGRADE_2.BIN";
// Builds `output` from release1's exe and fonts with the images `images`.
std::string BuildWithImages(const std::string& images, const std::string& output = "OV3_UPGRADE_1.BIN") {
    return "ruvexa-pack build --exe release1/app.exe --images " + images + " --fonts release1/fonts -o " + output;
}

// Every entry under "images/", as `zip -r` makes of a folder named on its
// command line; and under "photos/", a layout of its own.
const std::string kZipFromOutside = "cd release1 && zip -qr ../nested.zip images";
const std::string kZipPhotos = "mkdir -p p && cp -r release1/images p/photos && cd p && zip -qr ../photos.zip photos";
const std::string kOneFolderWarning =
    "err:ruvexa-pack: warning: every entry of the images archive is under 'images/': the device will install "
    "\\NandFlash\\Merrow\\Images\\images\\...; make the archive from inside the folder: cd images && zip -r "
    "../images.zip .\n";

// The package cut short, lengthened by bytes after its tail, and with a
// byte put into its images section.
const std::string kCutShort = "head -c 4000 OV3_UPGRADE_1.BIN > OV3_UPGRADE_C.BIN";
const std::string kThreeAdded = "cp OV3_UPGRADE_1.BIN OV3_UPGRADE_L.BIN && printf abc >> OV3_UPGRADE_L.BIN";
const std::string kByteInserted =
    "head -c 4000 OV3_UPGRADE_1.BIN > OV3_UPGRADE_I.BIN && printf z >> OV3_UPGRADE_I.BIN && "
    "tail -c +4001 OV3_UPGRADE_1.BIN >> OV3_UPGRADE_I.BIN";

const CommandRow kRows[] = {
    // --exe given something else.
    {"ExeThatIsAPackageIsRefused", {kBuild1},
     "ruvexa-pack build --exe OV3_UPGRADE_1.BIN --images release1/images -o OV3_UPGRADE_2.BIN", 1,
     {"!OV3_UPGRADE_2.BIN"},
     {"err:ruvexa-pack: error: 'OV3_UPGRADE_1.BIN' is an upgrade package (it starts with \"3-VO\"), not an "
      "executable: --exe takes the application's executable, which the device installs as "
      "\\NandFlash\\Merrow\\Orvane3.exe\n"}},
    {"ExeThatIsADeltaPackageIsRefused",
     {kBuild1, kBuild2, "ruvexa-pack delta -q --from OV3_UPGRADE_1.BIN --to OV3_UPGRADE_2.BIN -o OV3_UPGRADE_D.BIN"},
     "ruvexa-pack build --exe OV3_UPGRADE_D.BIN --images release1/images -o OV3_UPGRADE_3.BIN", 1,
     {"!OV3_UPGRADE_3.BIN"}, {"err:'OV3_UPGRADE_D.BIN' is a delta upgrade package (it starts with \"3-VD\")"}},
    {"ExeThatIsAZipArchiveIsRefused", {"cd release1/images && zip -qr ../../images.zip ."},
     "ruvexa-pack build --exe images.zip --images release1/images -o OV3_UPGRADE_1.BIN", 1, {"!OV3_UPGRADE_1.BIN"},
     {"err:'images.zip' is a zip archive, not an executable: --exe takes", "out:"}},
    {"ExeThatIsAnEmptyZipArchiveIsRefused", {"printf 'PK\\005\\006' > empty.zip && head -c 18 /dev/zero >> empty.zip"},
     "ruvexa-pack build --exe empty.zip --images release1/images -o OV3_UPGRADE_1.BIN", 1, {"!OV3_UPGRADE_1.BIN"},
     {"err:'empty.zip' is a zip archive"}},

    // An archive folder holding what belongs elsewhere: warned, still written.
    {"ImagesFolderHoldingTheWholeReleaseIsWarnedAbout", {}, BuildWithImages("release1"), 0, {"OV3_UPGRADE_1.BIN"},
     {"err:ruvexa-pack: warning: the --images folder 'release1' holds 'app.exe' (the file given as --exe) and "
      "'fonts/' (a fonts folder): --images takes the folder of images only, and the device would install all it "
      "holds under \\NandFlash\\Merrow\\Images\\\n",
      "out:wrote 'OV3_UPGRADE_1.BIN'"}},
    {"ImagesFolderHoldingTheDevicesExecutableIsWarnedAbout", {"cp release1/app.exe release1/images/ORVANE3.EXE"},
     BuildWithImages("release1/images"), 0, {"OV3_UPGRADE_1.BIN"},
     {"err:holds 'ORVANE3.EXE' (the device's executable): --images takes the folder of images only"}},
    {"ImagesFolderHoldingAPackageIsWarnedAbout", {kBuild1, "cp OV3_UPGRADE_1.BIN release1/images/icons/"},
     BuildWithImages("release1/images", "OV3_UPGRADE_2.BIN"), 0, {"OV3_UPGRADE_2.BIN"},
     {"err:holds 'icons/OV3_UPGRADE_1.BIN' (an upgrade package)"}},
    {"FontsFolderHoldingAnImagesFolderIsWarnedAbout", {"mkdir release1/fonts/Images && cp release1/images/Start.bmp release1/fonts/Images/"},
     kBuild1, 0, {"OV3_UPGRADE_1.BIN"},
     {"err:the --fonts folder 'release1/fonts' holds 'Images/' (an images folder): --fonts takes the folder of fonts "
      "only, and the device would install all it holds under \\NandFlash\\Merrow\\Font\\\n"}},
    {"ReleaseOfArchiveFoldersDrawsNoWarning", {}, kBuild1, 0, {"OV3_UPGRADE_1.BIN"}, {"err:"}},

    // An archive all under one folder: warned only when that folder is the
    // archive's own, alike by build, verify and list.
    {"ArchiveUnderImagesIsWarnedAboutByBuild", {kZipFromOutside}, BuildWithImages("nested.zip"), 0,
     {"OV3_UPGRADE_1.BIN"}, {kOneFolderWarning}},
    {"ArchiveUnderImagesIsWarnedAboutByVerify", {kZipFromOutside, BuildWithImages("nested.zip")},
     "ruvexa-pack verify OV3_UPGRADE_1.BIN", 0, {}, {kOneFolderWarning, "out:ok\n"}},
    {"ArchiveUnderImagesIsWarnedAboutByList", {kZipFromOutside, BuildWithImages("nested.zip")},
     "ruvexa-pack list OV3_UPGRADE_1.BIN", 0, {}, {kOneFolderWarning, "out:\\Images\\images\\Start.bmp"}},
    {"ArchiveUnderPhotosDrawsNoWarningFromBuild", {kZipPhotos}, BuildWithImages("photos.zip"), 0,
     {"OV3_UPGRADE_1.BIN"}, {"err:"}},
    {"ArchiveUnderPhotosDrawsNoWarningFromVerify", {kZipPhotos, BuildWithImages("photos.zip")},
     "ruvexa-pack verify OV3_UPGRADE_1.BIN", 0, {}, {"err:", "out:ok\n"}},
    {"ArchiveUnderPhotosDrawsNoWarningFromList", {kZipPhotos, BuildWithImages("photos.zip")},
     "ruvexa-pack list OV3_UPGRADE_1.BIN", 0, {}, {"err:", "out:\\Images\\photos\\Start.bmp"}},
    {"FontsArchiveUnderFontIsWarnedAbout", {"mkdir -p f/Font && cp release1/fonts/Sans.ttf f/Font/ && cd f && zip -qr ../fonts.zip Font"},
     "ruvexa-pack build --exe release1/app.exe --images release1/images --fonts fonts.zip -o OV3_UPGRADE_1.BIN", 0,
     {"OV3_UPGRADE_1.BIN"},
     {"err:every entry of the fonts archive is under 'Font/': the device will install "
      "\\NandFlash\\Merrow\\Font\\Font\\...; make the archive from inside the folder: cd Font && zip -r ../fonts.zip ."}},
    // build zips a folder's contents: only a folder that holds nothing but
    // the images folder ends all under "images/".
    {"FolderHoldingOnlyTheImagesFolderIsWarnedAbout", {"mkdir wrap && cp -r release1/images wrap/"},
     BuildWithImages("wrap"), 0, {"OV3_UPGRADE_1.BIN"},
     {"err:every entry of the images archive is under 'images/': the device will install "
      "\\NandFlash\\Merrow\\Images\\images\\...; give the folder inside it: --images wrap/images\n"}},
    {"VerifyOnATerminalShowsTheWarningOnItsOwnLine", {kZipFromOutside, BuildWithImages("nested.zip")},
     "script -qec 'ruvexa-pack verify OV3_UPGRADE_1.BIN' /dev/null", 0, {},
     // The progress line is erased ("\r", then "erase to the end of the
     // line") before the warning is written.
     {"out:\r\x1b[Kruvexa-pack: warning: every entry", "!checksum...ruvexa-pack: warning"}},

    // A package of the wrong length, in the words of what happened to it,
    // with the device's code.
    {"VerifyCallsAPackageCutShortIncomplete", {kBuild1, kCutShort}, "ruvexa-pack verify OV3_UPGRADE_C.BIN", 1, {},
     {"out:Err08: the file is incomplete: ", " bytes missing (the head says the package is ",
      " bytes long, the file is 4000 bytes)\n  device log: ", "!differs from"}},
    {"InspectCallsAPackageCutShortIncomplete", {kBuild1, kCutShort}, "ruvexa-pack inspect OV3_UPGRADE_C.BIN", 1, {},
     {"out:verdict:         damaged: the file is incomplete: ", "the file is 4000 bytes) (the device shows Err08)\n",
      "!do not add up"}},
    {"VerifyCallsBytesAfterTheTailSo", {kBuild1, kThreeAdded}, "ruvexa-pack verify OV3_UPGRADE_L.BIN", 1, {},
     {"out:Err08: the file has 3 bytes after the tail (the head says the package is "}},
    {"InspectCallsBytesAfterTheTailSo", {kBuild1, kThreeAdded}, "ruvexa-pack inspect --json OV3_UPGRADE_L.BIN", 1, {},
     {"out:\"problems\":[\"the file has 3 bytes after the tail (the head says the package is ",
      "\"device_code\":\"Err08\""}},
    {"VerifyCallsAByteInsertedOneByteAfterTheTail", {kBuild1, kByteInserted}, "ruvexa-pack verify OV3_UPGRADE_I.BIN",
     1, {}, {"out:Err09: the file has 1 byte after the tail"}},
    {"InspectCallsAFileShorterThanItsTailIncomplete", {kBuild1, "head -c 12 OV3_UPGRADE_1.BIN > OV3_UPGRADE_S.BIN"},
     "ruvexa-pack inspect OV3_UPGRADE_S.BIN", 1, {},
     {"out:damaged: the file is incomplete: ", "the file is 12 bytes) (the device shows Err05)"}},

    // Counts.
    {"OneFileIsOneFile", {"mkdir one && cp release1/images/Start.bmp one/"}, BuildWithImages("one"), 0,
     {"OV3_UPGRADE_1.BIN"}, {"out:zipped images folder 'one': 1 file, 0 folders, "}},
    {"UnpackSaysOneByte",
     {"head -c 1 release1/app.exe > one.exe",
      "ruvexa-pack build --exe one.exe --images release1/images -o OV3_UPGRADE_1.BIN"},
     "ruvexa-pack unpack OV3_UPGRADE_1.BIN out", 0, {"out/AppExecute.ex"}, {"out:wrote out/AppExecute.ex (1 byte)\n"}},
    {"ProgressCountsTheFilesWhileZipping", {},
     "script -qec '" + BuildWithImages("release1/images") + "' /dev/null", 0, {"OV3_UPGRADE_1.BIN"},
     {"out:zipping the images folder: 2 of 2 files...", "zipping the fonts folder: 1 of 1 file..."}},
};

class InputRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(InputRows, Hold) { pack_test::RunCommandRow(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Inputs, InputRows, ::testing::ValuesIn(kRows), pack_test::CommandRowName());

}  // namespace
