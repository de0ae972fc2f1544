// Running command rows in a scratch folder.
#include "command_rows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace pack_test {
namespace {

void WriteRelease(const Workspace& space, const std::string& folder, unsigned seed, bool extra) {
    space.Write(folder + "/app.exe", RandomBytes(3000, seed));
    space.Write(folder + "/images/Start.bmp", RandomBytes(2000, seed + 100));
    space.Write(folder + "/images/icons/usb.bmp", RandomBytes(700, 7));
    space.Write(folder + "/fonts/Sans.ttf", RandomBytes(1500, 8));
    if (extra) space.Write(folder + "/images/icons/new.bmp", RandomBytes(900, seed + 200));
}

std::string PathWithTools() {
    const char* path = std::getenv("PATH");
    return fs::path(RUVEXA_PACK_PATH).parent_path().string() + ":" +
           fs::path(RUVEXA_PATH).parent_path().string() + ":" + (path ? path : "/usr/bin:/bin");
}

bool Contains(const std::string& text, const std::string& word) { return text.find(word) != std::string::npos; }

void CheckWord(const std::string& word, const ToolRun& run) {
    std::string wanted = word;
    const bool absent = !wanted.empty() && wanted[0] == '!';
    if (absent) wanted.erase(0, 1);
    std::string text = run.out + run.err;
    std::string where = "the output";
    for (const auto& [prefix, stream] : {std::pair<std::string, const std::string*>{"out:", &run.out},
                                         std::pair<std::string, const std::string*>{"err:", &run.err}}) {
        if (wanted.rfind(prefix, 0) != 0) continue;
        wanted.erase(0, prefix.size());
        text = *stream;
        where = prefix == "out:" ? "standard output" : "standard error";
        if (wanted.empty()) {
            EXPECT_EQ(text, "") << where << " should be empty";
            return;
        }
    }
    EXPECT_EQ(Contains(text, wanted), !absent)
        << where << (absent ? " should not hold: " : " should hold: ") << wanted << "\n--- it holds:\n"
        << text;
}

}  // namespace

CommandRowFolder::CommandRowFolder() {
    WriteRelease(*this, "release1", 1, false);
    WriteRelease(*this, "release2", 2, false);
    WriteRelease(*this, "release3", 3, true);
    Write("unrelated/app.exe", RandomBytes(3000, 50));
    Write("unrelated/images/Other.bmp", RandomBytes(2500, 51));
    Write("unrelated/fonts/Mono.ttf", RandomBytes(1800, 52));
    const ToolRun keygen = Pack({"keygen", Path("maker")});
    EXPECT_EQ(keygen.status, 0) << keygen.err;
}

ToolRun CommandRowFolder::Shell(const std::string& line) const {
    return Tool("env", {"-C", Root(), "PATH=" + PathWithTools(), "sh", "-c", line});
}

void RunCommandRow(const CommandRow& row) {
    CommandRowFolder folder;
    for (const std::string& line : row.before) {
        const ToolRun step = folder.Shell(line);
        ASSERT_EQ(step.status, 0) << "preparing: " << line << "\n" << step.out << step.err;
    }
    std::map<std::string, std::string> unchanged;
    for (const std::string& file : row.files) {
        if (file.rfind("=", 0) == 0) {
            ASSERT_TRUE(folder.Exists(file.substr(1))) << file.substr(1) << " should exist before the command";
            unchanged[file.substr(1)] = folder.Read(file.substr(1));
        }
    }
    const ToolRun run = folder.Shell(row.command);
    EXPECT_EQ(run.status, row.status) << row.command << "\n--- out:\n" << run.out << "--- err:\n" << run.err;
    for (const std::string& file : row.files) {
        if (file.rfind("!", 0) == 0) {
            EXPECT_FALSE(folder.Exists(file.substr(1))) << file.substr(1) << " should not exist";
        } else if (file.rfind("=", 0) == 0) {
            EXPECT_TRUE(folder.Exists(file.substr(1)) && folder.Read(file.substr(1)) == unchanged[file.substr(1)])
                << file.substr(1) << " should be unchanged";
        } else {
            EXPECT_TRUE(folder.Exists(file)) << file << " should exist";
        }
    }
    for (const std::string& word : row.words) CheckWord(word, run);
}

}  // namespace pack_test
