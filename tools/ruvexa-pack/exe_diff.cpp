// MakeExePatch: walks the new file, finding for each place the longest match
// in the old file by binary search over the old file's suffix array. Where a
// match beats simply staying aligned with the last one by more than a few
// bytes, the stretch since the last match is closed: its part that still
// mostly agrees with the old file is stored as byte differences (mostly
// zeros, which deflate well), the rest as new bytes, and the old position
// jumps to the new match. Differences rather than copies let a match
// survive the small changes code gets from moved addresses.
#include "exe_diff.h"

#include <divsufsort.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "crc32.h"
#include "delta_patch_head.h"
#include "little_endian.h"

namespace pack {
namespace {

// A better match than the current alignment must win by this many bytes.
constexpr int64_t kMatchAdvantage = 8;

void PutRecordValue(std::vector<uint8_t>* out, uint32_t value) {
    BYTE bytes[4];
    PutLittleEndian(bytes, value);
    out->insert(out->end(), bytes, bytes + 4);
}

int64_t MatchLength(const uint8_t* a, int64_t aSize, const uint8_t* b, int64_t bSize) {
    int64_t length = 0;
    while (length < aSize && length < bSize && a[length] == b[length]) ++length;
    return length;
}

class Differ {
public:
    Differ(const std::vector<uint8_t>& oldBytes, const std::vector<uint8_t>& newBytes)
        : old_(oldBytes.data()), oldSize_(static_cast<int64_t>(oldBytes.size())), new_(newBytes.data()),
          newSize_(static_cast<int64_t>(newBytes.size())) {}

    bool Sort() {
        suffixes_.resize(static_cast<size_t>(oldSize_));
        return oldSize_ == 0 || divsufsort(old_, suffixes_.data(), static_cast<saidx_t>(oldSize_)) == 0;
    }

    // The records, uncompressed.
    std::vector<uint8_t> Records() {
        std::vector<uint8_t> records;
        int64_t scan = 0, length = 0, position = 0;
        int64_t lastScan = 0, lastPosition = 0, lastOffset = 0;
        while (scan < newSize_) {
            int64_t oldScore = 0;
            int64_t scored = scan += length;
            for (; scan < newSize_; ++scan) {
                length = LongestMatch(new_ + scan, newSize_ - scan, &position);
                for (; scored < scan + length; ++scored) {
                    if (AgreesAt(scored, lastOffset)) ++oldScore;
                }
                if ((length == oldScore && length != 0) || length > oldScore + kMatchAdvantage) break;
                if (AgreesAt(scan, lastOffset)) --oldScore;
            }
            if (length == oldScore && scan != newSize_) continue;

            // How far the last match reaches forward, and the new one back.
            int64_t forward = 0;
            for (int64_t i = 0, same = 0, best = 0; lastScan + i < scan && lastPosition + i < oldSize_;) {
                if (old_[lastPosition + i] == new_[lastScan + i]) ++same;
                ++i;
                if (same * 2 - i > best * 2 - forward) {
                    best = same;
                    forward = i;
                }
            }
            int64_t backward = 0;
            if (scan < newSize_) {
                for (int64_t i = 1, same = 0, best = 0; scan >= lastScan + i && position >= i; ++i) {
                    if (old_[position - i] == new_[scan - i]) ++same;
                    if (same * 2 - i > best * 2 - backward) {
                        best = same;
                        backward = i;
                    }
                }
            }
            if (lastScan + forward > scan - backward) {
                const int64_t overlap = (lastScan + forward) - (scan - backward);
                int64_t score = 0, bestScore = 0, split = 0;
                for (int64_t i = 0; i < overlap; ++i) {
                    if (new_[lastScan + forward - overlap + i] == old_[lastPosition + forward - overlap + i]) ++score;
                    if (new_[scan - backward + i] == old_[position - backward + i]) --score;
                    if (score > bestScore) {
                        bestScore = score;
                        split = i + 1;
                    }
                }
                forward += split - overlap;
                backward -= split;
            }

            const int64_t extra = (scan - backward) - (lastScan + forward);
            const int64_t seek = (position - backward) - (lastPosition + forward);
            PutRecordValue(&records, static_cast<uint32_t>(forward));
            PutRecordValue(&records, static_cast<uint32_t>(extra));
            PutRecordValue(&records, static_cast<uint32_t>(static_cast<int32_t>(seek)));
            for (int64_t i = 0; i < forward; ++i) {
                records.push_back(static_cast<uint8_t>(new_[lastScan + i] - old_[lastPosition + i]));
            }
            records.insert(records.end(), new_ + lastScan + forward, new_ + lastScan + forward + extra);

            lastScan = scan - backward;
            lastPosition = position - backward;
            lastOffset = position - scan;
        }
        return records;
    }

private:
    bool AgreesAt(int64_t at, int64_t offset) const {
        return at + offset >= 0 && at + offset < oldSize_ && old_[at + offset] == new_[at];
    }

    // The longest prefix of `target` found in the old file, and where.
    int64_t LongestMatch(const uint8_t* target, int64_t targetSize, int64_t* position) const {
        if (oldSize_ == 0) {
            *position = 0;
            return 0;
        }
        int64_t low = 0, high = oldSize_ - 1;
        while (high - low >= 2) {
            const int64_t middle = low + (high - low) / 2;
            const int64_t start = suffixes_[static_cast<size_t>(middle)];
            const int64_t compared = std::min(oldSize_ - start, targetSize);
            const int order = std::memcmp(old_ + start, target, static_cast<size_t>(compared));
            if (order < 0 || (order == 0 && compared < targetSize)) {
                low = middle;
            } else {
                high = middle;
            }
        }
        const int64_t lowStart = suffixes_[static_cast<size_t>(low)];
        const int64_t highStart = suffixes_[static_cast<size_t>(high)];
        const int64_t lowLength = MatchLength(old_ + lowStart, oldSize_ - lowStart, target, targetSize);
        const int64_t highLength = MatchLength(old_ + highStart, oldSize_ - highStart, target, targetSize);
        *position = lowLength >= highLength ? lowStart : highStart;
        return std::max(lowLength, highLength);
    }

    const uint8_t* old_;
    int64_t oldSize_;
    const uint8_t* new_;
    int64_t newSize_;
    std::vector<saidx_t> suffixes_;
};

}  // namespace

uint32_t CrcOf(const std::vector<uint8_t>& bytes) {
    DWORD crc = 0;
    Crc32Init(&crc);
    // Fed in pieces: the count is a DWORD.
    for (size_t at = 0; at < bytes.size(); at += 1u << 30) {
        Crc32Update(&crc, bytes.data() + at, static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1u << 30)));
    }
    Crc32Final(&crc);
    return crc;
}

bool MakeExePatch(const std::vector<uint8_t>& oldBytes, const std::vector<uint8_t>& newBytes,
                  std::vector<uint8_t>* patch, std::string* error) {
    if (oldBytes.size() > kLargestPatchedFile || newBytes.size() > kLargestPatchedFile) {
        *error = "an executable of 2 GiB or more cannot be patched";
        return false;
    }
    Differ differ(oldBytes, newBytes);
    if (!differ.Sort()) {
        *error = "the old executable could not be indexed (out of memory?)";
        return false;
    }
    const std::vector<uint8_t> records = differ.Records();
    uLongf packedSize = compressBound(static_cast<uLong>(records.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, records.data(), static_cast<uLong>(records.size()), Z_BEST_COMPRESSION) !=
        Z_OK) {
        *error = "the patch could not be compressed";
        return false;
    }
    BYTE head[kPatchHeadSize];
    EncodePatchHead({static_cast<DWORD>(oldBytes.size()), CrcOf(oldBytes), static_cast<DWORD>(newBytes.size()),
                     CrcOf(newBytes)},
                    head);
    patch->assign(head, head + kPatchHeadSize);
    patch->insert(patch->end(), packed.begin(), packed.begin() + static_cast<ptrdiff_t>(packedSize));
    return true;
}

}  // namespace pack
