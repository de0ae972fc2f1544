#include "archive_support.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace unzip_testing {
namespace {

const char kPythonPrelude[] = R"(import sys, zipfile
def add(name, data=b"", attr=None, date=(2021, 6, 15, 12, 30, 0), method=zipfile.ZIP_DEFLATED):
    info = zipfile.ZipInfo(name, date_time=date)
    info.compress_type = method
    if attr is not None:
        info.external_attr = attr
    z.writestr(info, data)
with zipfile.ZipFile(sys.argv[1], sys.argv[2]) as z:
    pass
)";

bool RunShell(const std::string& command) { return std::system(command.c_str()) == 0; }

}  // namespace

bool MakePythonZip(const std::string& hostArchive, const std::string& body, const char* mode) {
    fs::create_directories(fs::path(hostArchive).parent_path());
    std::string script = hostArchive + ".py";
    {
        std::ofstream out(script);
        out << kPythonPrelude;
        // Each line of the body runs inside the "with" block.
        size_t start = 0;
        while (start < body.size()) {
            size_t end = body.find('\n', start);
            if (end == std::string::npos) end = body.size();
            out << "    " << body.substr(start, end - start) << "\n";
            start = end + 1;
        }
    }
    bool made = RunShell("python3 '" + script + "' '" + hostArchive + "' " + mode);
    fs::remove(script);
    return made;
}

bool RunInfoZip(const std::string& hostFolder, const std::string& arguments) {
    return RunShell("cd '" + hostFolder + "' && zip -q -X " + arguments + " >/dev/null");
}

bool MakeWithTool(const std::string& hostFolder, const std::string& hostArchive, const std::string& command) {
    // Written under a ".zip" name first: 7-Zip adds that ending to a name
    // without it.
    const std::string made = hostArchive + ".zip";
    fs::remove(hostArchive);
    fs::remove(made);
    fs::create_directories(fs::path(hostArchive).parent_path());
    if (!RunShell("cd '" + hostFolder + "' && A='" + made + "' && " + command + " >/dev/null")) return false;
    std::error_code error;
    fs::rename(made, hostArchive, error);
    return !error;
}

bool MakeMinizipZip(const std::string& hostArchive, const std::vector<MinizipEntry>& entries) {
    fs::create_directories(fs::path(hostArchive).parent_path());
    zipFile archive = zipOpen(hostArchive.c_str(), APPEND_STATUS_CREATE);
    if (!archive) return false;
    bool written = true;
    for (const MinizipEntry& entry : entries) {
        zip_fileinfo info{};
        info.dosDate = entry.dosDateTime;
        info.external_fa = entry.externalAttributes;
        if (zipOpenNewFileInZip2(archive, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 entry.method, Z_DEFAULT_COMPRESSION, entry.raw ? 1 : 0) != ZIP_OK ||
            (!entry.data.empty() &&
             zipWriteInFileInZip(archive, entry.data.data(), static_cast<unsigned>(entry.data.size())) != ZIP_OK)) {
            written = false;
            break;
        }
        int closed = entry.raw ? zipCloseFileInZipRaw(archive, entry.uncompressedSize, entry.crc)
                               : zipCloseFileInZip(archive);
        if (closed != ZIP_OK) {
            written = false;
            break;
        }
    }
    return zipClose(archive, nullptr) == ZIP_OK && written;
}

std::string Deflate(const std::string& bytes) {
    z_stream stream{};
    // Negative window bits: raw deflate, as zip entries hold it.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&stream, bytes.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace unzip_testing
