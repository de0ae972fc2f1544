// Archives whose unpacking turns on what the device's file system holds by
// then, as rows: build's dry run, which only records the files, must judge
// them as an unpacking that writes them does.
#include <gtest/gtest.h>

#include "command_rows.h"

namespace {

using pack_test::CommandRow;

std::string Build(const std::string& images) {
    return "ruvexa-pack build --exe release1/app.exe --images " + images + " -o OV3_UPGRADE_1.BIN";
}

// zipfile statements run by python3 into NAME.zip: `z` is the archive.
std::string PythonZip(const std::string& name, const std::string& statements) {
    return "python3 -W ignore -c \"import zipfile; z = zipfile.ZipFile('" + name + ".zip', 'w'); " + statements +
           "; z.close()\"";
}

const CommandRow kRows[] = {
    {"EntriesDifferingInCaseUnpackOverEachOther",
     {PythonZip("case", "z.writestr('Icon.BMP', b'1'); z.writestr('icon.bmp', b'22')")}, Build("case.zip"), 0,
     {"OV3_UPGRADE_1.BIN"}, {"wrote 'OV3_UPGRADE_1.BIN'"}},
    {"FileWhereAFolderIsNeededIsRefused",
     {PythonZip("clash", "z.writestr('icons', b'1'); z.writestr('icons/usb.bmp', b'2')")}, Build("clash.zip"), 1,
     {"!OV3_UPGRADE_1.BIN"}, {"err:Err40", "err:entry 'icons\\usb.bmp'"}},
    {"ReadOnlyEntryGivenTwiceIsRefused",
     {PythonZip("twice", "i = zipfile.ZipInfo('r.bmp'); i.external_attr = 1; z.writestr(i, b'1'); z.writestr(i, b'2')")},
     Build("twice.zip"), 1, {"!OV3_UPGRADE_1.BIN"},
     {"err:Err40", "err:entry 'r.bmp'", "err:Failed to delete file=[\\NandFlash\\Merrow\\"}},
    {"FolderEntryOverAFileIsRefused",
     {PythonZip("over", "z.writestr('set', b'1'); z.writestr('set/', b'')")}, Build("over.zip"), 1,
     {"!OV3_UPGRADE_1.BIN"}, {"err:Err40", "err:entry 'set\\'"}},
};

class DryVolumeRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(DryVolumeRows, Hold) { pack_test::RunCommandRow(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Commands, DryVolumeRows, ::testing::ValuesIn(kRows), pack_test::CommandRowName());

}  // namespace
