// WriteDeltaArchive: entries are copied raw (compressed data, dates and
// attributes as the target archive stores them), so that a carried file is
// byte for byte what the full package would unpack.
#include "delta_archive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cctype>
#include <map>
#include <set>
#include <vector>

#include "delta_manifest.h"
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

// The manifest entry of an open archive as the source of the format's reader;
// its CRC-32 is checked at its end, as on the device.
class ManifestEntrySource : public ManifestSource {
public:
    explicit ManifestEntrySource(unzFile zip) : zip_(zip) {}
    int Read(void* buffer, DWORD size) override {
        if (ended_) return 0;
        const int count = unzReadCurrentFile(zip_, buffer, size);
        if (count != 0) return count;
        ended_ = true;
        return unzCloseCurrentFile(zip_) == UNZ_OK ? 0 : -1;
    }

private:
    unzFile zip_;
    bool ended_ = false;
};

// Counts one manifest line into `summary`.
void CountLine(const ManifestLine& line, const char* path, DeltaArchiveSummary* summary) {
    if (line.kind == ManifestKind::kExeWhole || line.kind == ManifestKind::kExePatch) {
        summary->exeKind = line.kind == ManifestKind::kExePatch ? "patch" : "whole";
        summary->exeSize = line.size;
        return;
    }
    const bool taken = line.kind == ManifestKind::kTake;
    ++(taken ? summary->takenFiles : summary->carriedFiles);
    if (taken) summary->takenBytes += line.size;
    summary->files.push_back({path, line.size, false});
}

}  // namespace

bool ManifestLineText(ManifestKind kind, uint64_t size, uint32_t crc, const std::string& path, std::string* line,
                      std::string* error) {
    char text[kManifestLineCapacity + 1];
    const DWORD length = size > 0xFFFFFFFFull ? 0
                                               : WriteManifestLine(kind, static_cast<DWORD>(size), crc, path.c_str(),
                                                                   text, sizeof(text));
    if (length == 0) {
        *error = "the file '" + path + "' cannot be named in " + kManifestEntryName +
                 " (a path the device refuses or a line too long)";
        return false;
    }
    line->append(text, length);
    return true;
}

bool ReadDeltaSummary(const ArchiveWindow& archive, DeltaArchiveSummary* summary, std::string* error) {
    ArchiveReader reader;
    if (!reader.Open(archive, error)) return false;
    ManifestEntrySource source(reader.Zip());
    ManifestLineReader lines;
    if (unzLocateFile(reader.Zip(), kManifestEntryName, 1) != UNZ_OK || unzOpenCurrentFile(reader.Zip()) != UNZ_OK ||
        !lines.Begin(&source)) {
        *error = std::string("the archive holds no readable ") + kManifestEntryName;
        return false;
    }
    ManifestLine line;
    ManifestRead read;
    while ((read = lines.Next(&line)) == ManifestRead::kLine) CountLine(line, lines.PathText(), summary);
    if (read != ManifestRead::kEnd) {
        *error = std::string("a line of ") + kManifestEntryName + " is not of the manifest's form";
        return false;
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
    char first[sizeof(kManifestFirstLine) + 1];
    std::string manifest(first, WriteManifestFirstLine(first, sizeof(first)));
    manifest += exeLine;
    bool ok = true;
    std::set<std::string> named;
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
        if (!named.insert(DeviceKey(name)).second) {
            *error = "the target archive holds '" + name + "' twice";
            ok = false;
            break;
        }
        const auto found = installedFiles.find(DeviceKey(name));
        const bool same = found != installedFiles.end() && found->second.size == info.uncompressed_size &&
                          found->second.crc == static_cast<uint32_t>(info.crc);
        if (!ManifestLineText(same ? ManifestKind::kTake : ManifestKind::kAdd, info.uncompressed_size,
                              static_cast<uint32_t>(info.crc), name, &manifest, error)) {
            ok = false;
            break;
        }
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
