// The package checksum, one byte at a time through the table, against zlib's
// crc32 (which works on several bytes at a time) on the same data.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "crc32.h"

namespace {

std::vector<unsigned char> RandomBytes(size_t size) {
    std::vector<unsigned char> bytes(size);
    std::mt19937 random(7);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
    return bytes;
}

void BM_PackageCrc32(benchmark::State& state) {
    auto bytes = RandomBytes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        DWORD crc;
        Crc32Init(&crc);
        Crc32Update(&crc, bytes.data(), static_cast<DWORD>(bytes.size()));
        Crc32Final(&crc);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_ZlibCrc32(benchmark::State& state) {
    auto bytes = RandomBytes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        uLong crc = crc32(0L, bytes.data(), static_cast<uInt>(bytes.size()));
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

}  // namespace

BENCHMARK(BM_PackageCrc32)->Arg(1 << 20);
BENCHMARK(BM_ZlibCrc32)->Arg(1 << 20);
