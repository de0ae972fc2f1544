// WriteDeltaArchive: entries are copied raw (compressed data, dates and
// attributes as the target archive stores them), so that a carried file is
// byte for byte what the full package would unpack.
#include "delta_archive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <vector>

#include "delta_format.h"
#include "host_file.h"
#include "minizip_stream.h"

namespace pack {
namespace {

// The DOS date of the manifest entry: 1 January 1980, midnight.
constexpr unsigned long kManifestDosDate = 0x00210000;
constexpr unsigned long kUtf8NameFlag = 0x800;

struct StoredFile {
    uint64_t size;
    uint32_t crc;
};

// A name as the device finds it: "/" separators, without regard to case.
std::string DeviceKey(std::string name) {
    for (char& c : name) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool IsFolderName(const std::string& name) { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }

// One archive window opened for reading through minizip.
class ArchiveReader {
public:
    bool Open(const ArchiveWindow& window, std::string* error) {
        if (!file_.OpenForReading(window.file, error)) return false;
        stream_.file = &file_;
        stream_.offset = window.offset;
        stream_.size = window.size;
        functions_ = MinizipFunctions(&stream_);
        zip_ = unzOpen2_64("", &functions_);
        if (!zip_) *error = "'" + window.file + "' holds no zip archive that can be read";
        return zip_ != nullptr;
    }
    ~ArchiveReader() {
        if (zip_) unzClose(zip_);
    }
    unzFile Zip() const { return zip_; }

    // The current entry's name and information.
    bool Current(std::string* name, unz_file_info64* info) {
        if (unzGetCurrentFileInfo64(zip_, info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
        name->assign(info->size_filename, '\0');
        return unzGetCurrentFileInfo64(zip_, info, name->data(), name->size(), nullptr, 0, nullptr, 0) == UNZ_OK;
    }

private:
    HostFile file_;
    MinizipStream stream_;
    zlib_filefunc64_def functions_{};
    unzFile zip_ = nullptr;
};

bool ListFiles(const ArchiveWindow& window, std::map<std::string, StoredFile>* files, std::string* error) {
    if (window.size == 0) return true;
    ArchiveReader reader;
    if (!reader.Open(window, error)) return false;
    for (int status = unzGoToFirstFile(reader.Zip()); status == UNZ_OK; status = unzGoToNextFile(reader.Zip())) {
        std::string name;
        unz_file_info64 info;
        if (!reader.Current(&name, &info)) break;
        if (!IsFolderName(name)) (*files)[DeviceKey(name)] = {info.uncompressed_size, static_cast<uint32_t>(info.crc)};
    }
    return true;
}

// Copies the reader's current entry into `zip` as it is stored.
bool CopyRaw(ArchiveReader& reader, const std::string& name, const unz_file_info64& info, zipFile zip,
             std::string* error) {
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(reader.Zip(), &method, &level, 1) != UNZ_OK) {
        *error = "cannot read the archive entry '" + name + "'";
        return false;
    }
    zip_fileinfo stored{};
    stored.dosDate = info.dosDate;
    stored.internal_fa = info.internal_fa;
    stored.external_fa = info.external_fa;
    bool ok = zipOpenNewFileInZip4_64(zip, name.c_str(), &stored, nullptr, 0, nullptr, 0, nullptr, method, level, 1,
                                      -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, info.version,
                                      info.flag & kUtf8NameFlag, info.uncompressed_size >= 0xFFFFFFFFull) == ZIP_OK;
    std::vector<char> buffer(64 * 1024);
    for (int count = 0; ok && (count = unzReadCurrentFile(reader.Zip(), buffer.data(), buffer.size())) != 0;) {
        ok = count > 0 && zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(count)) == ZIP_OK;
    }
    unzCloseCurrentFile(reader.Zip());
    ok = zipCloseFileInZipRaw64(zip, info.uncompressed_size, info.crc) == ZIP_OK && ok;
    if (!ok) *error = "cannot copy the archive entry '" + name + "'";
    return ok;
}

bool AddManifest(zipFile zip, const std::string& text, std::string* error) {
    zip_fileinfo stored{};
    stored.dosDate = kManifestDosDate;
    bool ok = zipOpenNewFileInZip(zip, kManifestEntryName, &stored, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_BEST_COMPRESSION) == ZIP_OK &&
              zipWriteInFileInZip(zip, text.data(), static_cast<unsigned>(text.size())) == ZIP_OK;
    ok = zipCloseFileInZip(zip) == ZIP_OK && ok;
    if (!ok) *error = "cannot write the manifest entry";
    return ok;
}

std::string ManifestLineOf(const char* kind, uint64_t size, uint32_t crc, const std::string& name) {
    char numbers[40];
    std::snprintf(numbers, sizeof(numbers), " %llu %08X ", static_cast<unsigned long long>(size), crc);
    return kind + std::string(numbers) + name + "\n";
}

// Counts one manifest line into `summary`; false when it is not of the form.
bool CountLine(const std::string& line, DeltaArchiveSummary* summary) {
    char kind[8] = {}, name[2] = {};
    unsigned long long size = 0;
    unsigned crc = 0;
    if (std::sscanf(line.c_str(), "exe %7s %llu %8x", kind, &size, &crc) == 3) {
        summary->exeKind = kind;
        summary->exeSize = size;
        return summary->exeKind == "patch" || summary->exeKind == "whole";
    }
    const bool taken = std::sscanf(line.c_str(), "take %llu %8x %1s", &size, &crc, name) == 3;
    if (!taken && std::sscanf(line.c_str(), "add %llu %8x %1s", &size, &crc, name) != 3) return false;
    ++(taken ? summary->takenFiles : summary->carriedFiles);
    if (taken) summary->takenBytes += size;
    // The path follows the third blank: "take SIZE CRC PATH".
    size_t path = 0;
    for (int blank = 0; blank < 3; ++blank) path = line.find(' ', path) + 1;
    summary->files.push_back({line.substr(path), size, false});
    return true;
}

}  // namespace

bool ReadDeltaSummary(const ArchiveWindow& archive, DeltaArchiveSummary* summary, std::string* error) {
    ArchiveReader reader;
    if (!reader.Open(archive, error)) return false;
    std::string text;
    if (unzLocateFile(reader.Zip(), kManifestEntryName, 1) == UNZ_OK && unzOpenCurrentFile(reader.Zip()) == UNZ_OK) {
        std::vector<char> buffer(64 * 1024);
        int count = 0;
        while ((count = unzReadCurrentFile(reader.Zip(), buffer.data(), buffer.size())) > 0) text.append(buffer.data(), count);
        if (unzCloseCurrentFile(reader.Zip()) != UNZ_OK || count < 0) text.clear();
    }
    const std::string first = std::string(kManifestFirstLine) + "\n";
    if (text.compare(0, first.size(), first) != 0) {
        *error = std::string("the archive holds no readable ") + kManifestEntryName;
        return false;
    }
    for (size_t start = first.size(), end = 0; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos || !CountLine(text.substr(start, end - start), summary)) {
            *error = std::string("a line of ") + kManifestEntryName + " is not of the manifest's form";
            return false;
        }
    }
    return true;
}

bool WriteDeltaArchive(const ArchiveWindow& installed, const ArchiveWindow& target, const std::string& exeLine,
                       const std::string& zipPath, DeltaArchiveSummary* summary, std::string* error) {
    std::map<std::string, StoredFile> installedFiles;
    if (!ListFiles(installed, &installedFiles, error)) return false;
    ArchiveReader reader;
    if (!reader.Open(target, error)) return false;

    HostFile out;
    MinizipStream stream;
    zipFile zip = CreateZip(zipPath, &out, &stream, error);
    if (!zip) return false;
    std::string manifest = std::string(kManifestFirstLine) + "\n" + (exeLine.empty() ? "" : exeLine + "\n");
    bool ok = true;
    int status = unzGoToFirstFile(reader.Zip());
    for (; ok && status == UNZ_OK; status = unzGoToNextFile(reader.Zip())) {
        std::string name;
        unz_file_info64 info;
        if (!reader.Current(&name, &info)) break;
        if (DeviceKey(name) == DeviceKey(kManifestEntryName)) {
            *error = std::string("the target archive holds a file named ") + kManifestEntryName +
                     ", the name of a delta's manifest";
            ok = false;
            break;
        }
        if (IsFolderName(name)) {
            ok = CopyRaw(reader, name, info, zip, error);
            continue;
        }
        const auto found = installedFiles.find(DeviceKey(name));
        const bool same = found != installedFiles.end() && found->second.size == info.uncompressed_size &&
                          found->second.crc == static_cast<uint32_t>(info.crc);
        manifest += ManifestLineOf(same ? "take" : "add", info.uncompressed_size, static_cast<uint32_t>(info.crc), name);
        if (same) {
            ++summary->takenFiles;
            summary->takenBytes += info.uncompressed_size;
        } else {
            ++summary->carriedFiles;
            ok = CopyRaw(reader, name, info, zip, error);
        }
    }
    if (ok && status != UNZ_END_OF_LIST_OF_FILE) {
        *error = "the archive in '" + target.file + "' cannot be read to its end";
        ok = false;
    }
    ok = ok && AddManifest(zip, manifest, error);
    if (zipClose(zip, nullptr) != ZIP_OK && ok) {
        *error = out.Failed() ? out.LastError() : "cannot finish the archive '" + zipPath + "'";
        ok = false;
    }
    if (!out.Close(error)) ok = false;
    return ok;
}

}  // namespace pack
