// minizip's I/O callbacks, each a plain read, write or seek on the window.
#include "minizip_stream.h"

#include <algorithm>
#include <string>

namespace pack {
namespace {

MinizipStream* StreamOf(voidpf stream) { return static_cast<MinizipStream*>(stream); }

voidpf ZCALLBACK Open(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
    MinizipStream* s = StreamOf(stream);
    uint64_t count = std::min<uint64_t>(size, s->size > s->position ? s->size - s->position : 0);
    size_t got = s->file->ReadAt(s->offset + s->position, buffer, static_cast<size_t>(count));
    s->position += got;
    return static_cast<uLong>(got);
}

uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buffer, uLong size) {
    MinizipStream* s = StreamOf(stream);
    std::string ignored;
    if (!s->file->WriteAt(s->offset + s->position, buffer, size, &ignored)) return 0;
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

int ZCALLBACK Close(voidpf, voidpf) { return 0; }

int ZCALLBACK Error(voidpf, voidpf stream) { return StreamOf(stream)->file->Failed() ? 1 : 0; }

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

}  // namespace pack
