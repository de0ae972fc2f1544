// Copying a package section through ExtractSection (1 MiB chunks, checksum
// on the way; with argument 1 also the signature check of a device with a
// trusted key) against a plain host copy of the same bytes with the same
// chunk size, on real files in a temporary device folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "crc32.h"
#include "extract_section.h"
#include "test_support.h"

namespace {

constexpr size_t kSectionSize = 32u << 20;

void BM_ExtractSection(benchmark::State& state) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\package.bin", std::string(kSectionSize, 'x'));
    for (auto _ : state) {
        HANDLE package = CreateFileW(L"\\NandFlash\\package.bin", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        HANDLE output = CreateFileW(L"\\NandFlash\\out.bin", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD crc;
        Crc32Init(&crc);
        crypto_sign_state signing;
        crypto_sign_init(&signing);
        bool copied = ExtractSection(output, package, kSectionSize, &crc, state.range(0) ? &signing : NULL);
        CloseHandle(output);
        CloseHandle(package);
        if (!copied) state.SkipWithError("ExtractSection failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSectionSize));
}

void BM_HostCopy(benchmark::State& state) {
    testing_support::TempDevice device;
    device.WriteFile(L"\\NandFlash\\package.bin", std::string(kSectionSize, 'x'));
    std::string buffer(1u << 20, '\0');
    for (auto _ : state) {
        FILE* in = std::fopen(device.Host(L"\\NandFlash\\package.bin").c_str(), "rb");
        FILE* out = std::fopen(device.Host(L"\\NandFlash\\out.bin").c_str(), "wb");
        size_t count;
        while ((count = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) std::fwrite(buffer.data(), 1, count, out);
        std::fclose(out);
        std::fclose(in);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSectionSize));
}

}  // namespace

BENCHMARK(BM_ExtractSection)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HostCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
