// Zipping a folder with minizip's writer.
#include "zip_folder.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <vector>

#include <windows.h>

#include "host_file.h"
#include "messages.h"
#include "minizip_stream.h"
#include "ruvexa_host.h"

namespace fs = std::filesystem;

namespace pack {
namespace {

constexpr unsigned long kDosAttributeReadOnly = 0x01;
constexpr unsigned long kDosAttributeDirectory = 0x10;
constexpr unsigned long kDosAttributeArchive = 0x20;
// "Version made by" 0: MS-DOS, so that readers take the external attribute
// word as MS-DOS attributes, as the device's extractor does.
constexpr unsigned long kVersionMadeByMsDos = 0;
// General purpose flag bit 11: the entry name is UTF-8.
constexpr unsigned long kFlagUtf8Name = 0x800;
constexpr int kMemoryLevel = 8;
// One buffer serves every file: most are small, and a large buffer made per
// file costs more than copying the file.
constexpr size_t kCopyChunk = 64 << 10;
// Without zip64 records an entry holds less than 4 GiB.
constexpr uint64_t kLargestEntry = 0xFFFFFFFEull;

struct Entry {
    std::string name;  // relative, "/" separators, "/" at the end of a folder
    fs::path path;
    bool folder = false;
    time_t modified = 0;
    bool readOnly = false;  // no write permission bit at all, as the platform layer keeps it
};

// The MS-DOS date (high 16 bits) and time (low 16 bits) of a host time as
// local time, clamped to the years MS-DOS can hold (1980 to 2107).
unsigned long DosDateTimeOf(time_t when) {
    struct tm local {};
    localtime_r(&when, &local);
    int year = local.tm_year + 1900;
    if (year < 1980) return (1ul << 21) | (1ul << 16);  // 1980-01-01 00:00:00
    if (year > 2107) return (127ul << 25) | (12ul << 21) | (31ul << 16) | (23ul << 11) | (59ul << 5) | 29ul;
    unsigned long date = (static_cast<unsigned long>(year - 1980) << 9) |
                         (static_cast<unsigned long>(local.tm_mon + 1) << 5) | static_cast<unsigned long>(local.tm_mday);
    // MS-DOS keeps seconds in steps of two; a leap second becomes 58.
    unsigned long time = (static_cast<unsigned long>(local.tm_hour) << 11) |
                         (static_cast<unsigned long>(local.tm_min) << 5) |
                         static_cast<unsigned long>(std::min(local.tm_sec, 59) / 2);
    return (date << 16) | time;
}

bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

bool HasNonAscii(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// UTF-16 units of a UTF-8 name, as the device counts them.
size_t Utf16Length(const std::string& utf8) {
    size_t units = 0;
    for (wchar_t c : host::Utf8ToWide(utf8)) units += static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
    return units;
}

bool CollectEntries(const fs::path& folder, std::vector<Entry>* entries, std::string* error) {
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        std::string name = path.lexically_relative(folder).generic_string();
        std::error_code statError;
        fs::file_status status = fs::status(path, statError);
        if (it->is_symlink(statError) && fs::is_directory(status)) {
            Warn("skipped '" + path.string() + "': a link to a folder is not followed");
            continue;
        }
        if (!fs::is_directory(status) && !fs::is_regular_file(status)) {
            Warn("skipped '" + path.string() + "': not a regular file or folder");
            continue;
        }
        if (!IsValidUtf8(name)) {
            *error = "'" + path.string() + "': the name is not valid UTF-8";
            return false;
        }
        bool isFolder = fs::is_directory(status);
        fs::file_time_type modified = fs::last_write_time(path, statError);
        if (statError) {
            *error = "'" + path.string() + "': " + statError.message();
            return false;
        }
        const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        entries->push_back({isFolder ? name + "/" : name, path, isFolder,
                            std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(modified)),
                            (status.permissions() & write) == fs::perms::none});
    }
    if (ec) {
        *error = "'" + folder.string() + "': " + ec.message();
        return false;
    }
    std::sort(entries->begin(), entries->end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

bool CopyFileIntoEntry(zipFile zip, const Entry& entry, std::vector<unsigned char>& buffer, std::string* error) {
    HostFile in;
    if (!in.OpenForReading(entry.path.string(), error)) return false;
    uint64_t total = 0;
    for (;;) {
        size_t count = in.Read(buffer.data(), buffer.size());
        if (count == 0) break;
        total += count;
        if (total > kLargestEntry) {
            *error = "'" + entry.path.string() + "': a file of 4 GiB or more cannot go into the archive";
            return false;
        }
        if (zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(count)) != ZIP_OK) {
            *error = "cannot write the archive entry '" + entry.name + "'";
            return false;
        }
    }
    if (in.Failed()) {
        *error = in.LastError();
        return false;
    }
    return true;
}

bool AddEntry(zipFile zip, const Entry& entry, std::vector<unsigned char>& buffer, std::string* error) {
    zip_fileinfo info{};
    info.dosDate = DosDateTimeOf(entry.modified);
    info.external_fa = entry.folder ? kDosAttributeDirectory
                                    : kDosAttributeArchive | (entry.readOnly ? kDosAttributeReadOnly : 0);
    int method = entry.folder ? 0 : Z_DEFLATED;
    int level = entry.folder ? 0 : Z_BEST_COMPRESSION;
    unsigned long flags = HasNonAscii(entry.name) ? kFlagUtf8Name : 0;
    if (zipOpenNewFileInZip4(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level, 0,
                             -MAX_WBITS, kMemoryLevel, Z_DEFAULT_STRATEGY, nullptr, 0, kVersionMadeByMsDos,
                             flags) != ZIP_OK) {
        *error = "cannot add the archive entry '" + entry.name + "'";
        return false;
    }
    bool copied = entry.folder || CopyFileIntoEntry(zip, entry, buffer, error);
    if (zipCloseFileInZip(zip) != ZIP_OK && copied) {
        *error = "cannot finish the archive entry '" + entry.name + "'";
        return false;
    }
    return copied;
}

}  // namespace

bool ZipFolder(const std::string& folder, const std::string& zipPath, const std::wstring& installFolder,
               ZipSummary* summary, std::string* error, const ZipCounter& counter) {
    std::vector<Entry> entries;
    if (!CollectEntries(folder, &entries, error)) return false;
    // An archive of nothing is only its end record, which the device's zip
    // library cannot open: the installation would fail on it.
    if (entries.empty()) {
        *error = "'" + folder + "' holds nothing; the device cannot unpack an archive without entries";
        return false;
    }

    for (const Entry& entry : entries) {
        // The extractor composes "<installFolder>\<name>" in a MAX_PATH buffer.
        std::string bare = entry.folder ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
        if (installFolder.size() + 1 + Utf16Length(bare) >= MAX_PATH) {
            Warn("'" + entry.name + "' is too long to be unpacked below " + host::WideToUtf8(installFolder) +
                 " on the device");
        }
    }

    HostFile out;
    MinizipStream stream;
    zipFile zip = CreateZip(zipPath, &out, &stream, error);
    if (!zip) return false;
    std::vector<unsigned char> buffer(kCopyChunk);
    const size_t fileCount =
        static_cast<size_t>(std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return !e.folder; }));
    if (counter) counter(0, fileCount);
    bool ok = true;
    for (const Entry& entry : entries) {
        if (!AddEntry(zip, entry, buffer, error)) {
            ok = false;
            break;
        }
        ++(entry.folder ? summary->folders : summary->files);
        if (!entry.folder && counter) counter(summary->files, fileCount);
    }
    if (zipClose(zip, nullptr) != ZIP_OK && ok) {
        *error = out.Failed() ? out.LastError() : "cannot finish the archive '" + zipPath + "'";
        ok = false;
    }
    if (!out.Close(error)) ok = false;
    return ok;
}

}  // namespace pack
