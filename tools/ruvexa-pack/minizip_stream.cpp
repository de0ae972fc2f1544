// minizip's I/O callbacks, each a plain read, write or seek on the window,
// and a new archive started over a host file.
#include "minizip_stream.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pack {
namespace {

MinizipStream* StreamOf(voidpf stream) { return static_cast<MinizipStream*>(stream); }

voidpf ZCALLBACK Open(voidpf opaque, const void*, int) { return opaque; }

constexpr size_t kReadAhead = 64 << 10;
constexpr size_t kWriteBehind = 64 << 10;

void WritePending(MinizipStream* s) {
    std::string ignored;
    if (!s->pending.empty() && !s->file->WriteAt(s->offset + s->pendingStart, s->pending.data(), s->pending.size(), &ignored)) {
        s->writeFailed = true;
    }
    s->pending.clear();
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
    MinizipStream* s = StreamOf(stream);
    WritePending(s);
    uint64_t count = std::min<uint64_t>(size, s->size > s->position ? s->size - s->position : 0);
    if (count >= kReadAhead) {
        size_t got = s->file->ReadAt(s->offset + s->position, buffer, static_cast<size_t>(count));
        s->position += got;
        return static_cast<uLong>(got);
    }
    if (s->position < s->bufferStart || s->position + count > s->bufferStart + s->buffer.size()) {
        s->buffer.resize(static_cast<size_t>(std::min<uint64_t>(kReadAhead, s->size - s->position)));
        s->buffer.resize(s->file->ReadAt(s->offset + s->position, s->buffer.data(), s->buffer.size()));
        s->bufferStart = s->position;
        count = std::min<uint64_t>(count, s->buffer.size());
    }
    std::copy_n(s->buffer.data() + (s->position - s->bufferStart), count, static_cast<char*>(buffer));
    s->position += count;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buffer, uLong size) {
    MinizipStream* s = StreamOf(stream);
    s->buffer.clear();
    if (s->position != s->pendingStart + s->pending.size() || s->pending.size() + size > kWriteBehind) WritePending(s);
    if (s->pending.empty()) s->pendingStart = s->position;
    const char* bytes = static_cast<const char*>(buffer);
    s->pending.insert(s->pending.end(), bytes, bytes + size);
    if (s->pending.size() >= kWriteBehind) WritePending(s);
    if (s->writeFailed) return 0;
    s->position += size;
    s->size = std::max(s->size, s->position);
    return size;
}

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) { return StreamOf(stream)->position; }

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    MinizipStream* s = StreamOf(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->position : s->size;
    s->position = base + offset;
    return 0;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
    WritePending(StreamOf(stream));
    return StreamOf(stream)->writeFailed ? -1 : 0;
}

int ZCALLBACK Error(voidpf, voidpf stream) {
    WritePending(StreamOf(stream));
    return StreamOf(stream)->file->Failed() ? 1 : 0;
}

}  // namespace

zlib_filefunc64_def MinizipFunctions(MinizipStream* stream) {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = Open;
    functions.zread_file = Read;
    functions.zwrite_file = Write;
    functions.ztell64_file = Tell;
    functions.zseek64_file = Seek;
    functions.zclose_file = Close;
    functions.zerror_file = Error;
    functions.opaque = stream;
    return functions;
}

zipFile CreateZip(const std::string& zipPath, HostFile* out, MinizipStream* stream, std::string* error) {
    if (!out->OpenForWriting(zipPath, false, 0, error)) return nullptr;
    stream->file = out;
    zlib_filefunc64_def functions = MinizipFunctions(stream);
    zipFile zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
    if (!zip) *error = "cannot start the archive '" + zipPath + "'";
    return zip;
}

}  // namespace pack
