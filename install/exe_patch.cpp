// ApplyPatch: inflates the patch's records and builds the new executable
// from them and from the old one, read by seeking; memory stays at the
// buffers below and zlib's window, whatever the files' sizes.
#include "exe_patch.h"

#include <string.h>

#include <new>
#include <zlib.h>

#include "crc32.h"
#include "delta_format.h"
#include "file_handle.h"
#include "little_endian.h"

namespace {

constexpr DWORD kPatchInputSize = 16 * 1024;
constexpr DWORD kPatchChunkSize = 32 * 1024;

bool ReadExactly(HANDLE file, void* buffer, DWORD size) {
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

bool WriteExactly(HANDLE file, const void* buffer, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, buffer, size, &written, nullptr) && written == size;
}

// The patch's records as one stream of bytes, inflated on demand.
class PatchStream {
public:
    explicit PatchStream(HANDLE patch) : patch_(patch) {}
    ~PatchStream() {
        if (started_) inflateEnd(&stream_);
    }
    bool Start() {
        memset(&stream_, 0, sizeof(stream_));
        started_ = inflateInit(&stream_) == Z_OK;
        return started_;
    }
    // Exactly `size` bytes, or false (ReadFailed() when the file failed).
    bool Take(BYTE* buffer, DWORD size) {
        stream_.next_out = buffer;
        stream_.avail_out = size;
        while (stream_.avail_out > 0) {
            if (!InflateSome()) return false;
        }
        return true;
    }
    // The stream ends right after the last record: not one byte more.
    bool EndsHere() {
        BYTE extra = 0;
        stream_.next_out = &extra;
        stream_.avail_out = 1;
        while (!ended_ && stream_.avail_out > 0) {
            if (!InflateSome()) return false;
        }
        return ended_ && stream_.avail_out > 0;
    }
    bool ReadFailed() const { return readFailed_; }

private:
    // One inflate step, refilling the input first when it is used up;
    // false at the stream's end or on damaged or unreadable data.
    bool InflateSome() {
        if (ended_) return false;
        if (stream_.avail_in == 0) {
            DWORD read = 0;
            if (!ReadFile(patch_, input_, sizeof(input_), &read, nullptr)) readFailed_ = true;
            if (read == 0) return false;
            stream_.next_in = input_;
            stream_.avail_in = read;
        }
        const int status = inflate(&stream_, Z_NO_FLUSH);
        if (status == Z_STREAM_END) ended_ = true;
        return status == Z_OK || status == Z_STREAM_END;
    }

    HANDLE patch_;
    z_stream stream_;
    bool started_ = false;
    bool ended_ = false;
    bool readFailed_ = false;
    BYTE input_[kPatchInputSize];
};

// The buffers and state of one application, on the heap as one block.
struct Application {
    PatchStream records;
    BYTE oldBytes[kPatchChunkSize];
    BYTE newBytes[kPatchChunkSize];
    explicit Application(HANDLE patch) : records(patch) {}
};

// Builds the new file from the records; the result says which side failed.
// Without the old file and the output (both INVALID_HANDLE_VALUE) the
// records are only walked: kApplied then says that each fits the head's
// sizes and the stream ends after the last, and the new file's CRC-32 is
// left unchecked.
PatchResult Build(Application* work, const PatchHead& head, HANDLE old, HANDLE output) {
    PatchStream& records = work->records;
    const bool walkOnly = old == INVALID_HANDLE_VALUE;
    DWORD oldPosition = 0;
    DWORD newPosition = 0;
    DWORD crc = 0;
    Crc32Init(&crc);
    auto malformed = [&records] { return records.ReadFailed() ? PatchResult::kReadFailed : PatchResult::kMalformed; };
    while (newPosition < head.newSize) {
        BYTE record[kPatchRecordSize];
        if (!records.Take(record, kPatchRecordSize)) return malformed();
        const DWORD add = LittleEndianAt(record);
        const DWORD extra = LittleEndianAt(record + 4);
        const LONG seek = static_cast<LONG>(LittleEndianAt(record + 8));
        // Checked apart, so that no sum can wrap past a limit.
        if (add > head.oldSize - oldPosition || add > head.newSize - newPosition ||
            extra > head.newSize - newPosition - add) {
            return PatchResult::kMalformed;
        }
        if (add > 0 && !walkOnly && SetFilePointer(old, static_cast<LONG>(oldPosition), nullptr, FILE_BEGIN) ==
                           INVALID_SET_FILE_POINTER) {
            return PatchResult::kReadFailed;
        }
        for (DWORD done = 0; done < add;) {
            const DWORD chunk = add - done < kPatchChunkSize ? add - done : kPatchChunkSize;
            if (!records.Take(work->newBytes, chunk)) return malformed();
            done += chunk;
            if (walkOnly) continue;
            if (!ReadExactly(old, work->oldBytes, chunk)) return PatchResult::kReadFailed;
            for (DWORD i = 0; i < chunk; ++i) work->newBytes[i] = static_cast<BYTE>(work->newBytes[i] + work->oldBytes[i]);
            if (!WriteExactly(output, work->newBytes, chunk)) return PatchResult::kWriteFailed;
            Crc32Update(&crc, work->newBytes, chunk);
        }
        for (DWORD done = 0; done < extra;) {
            const DWORD chunk = extra - done < kPatchChunkSize ? extra - done : kPatchChunkSize;
            if (!records.Take(work->newBytes, chunk)) return malformed();
            done += chunk;
            if (walkOnly) continue;
            if (!WriteExactly(output, work->newBytes, chunk)) return PatchResult::kWriteFailed;
            Crc32Update(&crc, work->newBytes, chunk);
        }
        oldPosition += add;
        newPosition += add + extra;
        const long long moved = static_cast<long long>(oldPosition) + seek;
        if (moved < 0 || moved > static_cast<long long>(head.oldSize)) return PatchResult::kMalformed;
        oldPosition = static_cast<DWORD>(moved);
    }
    if (!records.EndsHere()) return malformed();
    if (walkOnly) return PatchResult::kApplied;
    Crc32Final(&crc);
    return crc == head.newCrc ? PatchResult::kApplied : PatchResult::kMalformed;
}

}  // namespace

bool ReadPatchHead(LPCWSTR patchFile, PatchHead* head) {
    FileHandle patch(OpenForReading(patchFile));
    BYTE bytes[kPatchHeadSize];
    return patch.IsOpen() && ReadExactly(patch.get(), bytes, kPatchHeadSize) &&
           DecodePatchHead(bytes, head);
}

bool CheckPatchRecords(LPCWSTR patchFile) {
    PatchHead head;
    if (!ReadPatchHead(patchFile, &head)) return false;
    FileHandle patch(OpenForReading(patchFile));
    if (!patch.IsOpen() || SetFilePointer(patch.get(), kPatchHeadSize, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return false;
    }
    void* block = LocalAlloc(LMEM_FIXED, sizeof(Application));
    if (!block) return false;
    Application* work = new (block) Application(patch.get());
    const bool sound = work->records.Start() &&
                       Build(work, head, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE) == PatchResult::kApplied;
    work->~Application();
    LocalFree(block);
    return sound;
}

PatchResult ApplyPatch(LPCWSTR patchFile, LPCWSTR oldFile, LPCWSTR newFile) {
    FileHandle patch(OpenForReading(patchFile));
    if (!patch.IsOpen()) return PatchResult::kReadFailed;
    BYTE headBytes[kPatchHeadSize];
    PatchHead head;
    if (!ReadExactly(patch.get(), headBytes, kPatchHeadSize)) return PatchResult::kReadFailed;
    if (!DecodePatchHead(headBytes, &head)) return PatchResult::kMalformed;
    FileHandle old(OpenForReading(oldFile));
    if (!old.IsOpen()) return PatchResult::kReadFailed;
    if (GetFileSize(old.get(), nullptr) != head.oldSize) return PatchResult::kMalformed;

    void* block = LocalAlloc(LMEM_FIXED, sizeof(Application));
    if (!block) return PatchResult::kWriteFailed;
    Application* work = new (block) Application(patch.get());
    PatchResult result = PatchResult::kWriteFailed;
    {
        FileHandle output(CreateFileW(newFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (output.IsOpen()) {
            result = work->records.Start() ? Build(work, head, old.get(), output.get()) : PatchResult::kWriteFailed;
            // Durable before it can replace the installed executable.
            if (result == PatchResult::kApplied && (!FlushFileBuffers(output.get()) || !output.Close())) {
                result = PatchResult::kWriteFailed;
            }
        }
    }
    work->~Application();
    LocalFree(block);
    if (result != PatchResult::kApplied) DeleteFileW(newFile);
    return result;
}
