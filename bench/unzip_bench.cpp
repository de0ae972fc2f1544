// Unpacking an images archive with UnZipFile against Info-ZIP's unzip (a
// separate process, as a user would run it) on the same archive: 200 files
// of 64 KiB in 4 folders, made by Info-ZIP's zip.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "file_helpers.h"
#include "test_support.h"
#include "unzip_file.h"

namespace {

constexpr int kFiles = 200;
constexpr size_t kFileSize = 64 * 1024;

// Half noise, half text: realistic for pictures and fonts.
std::string Content(int index) {
    std::mt19937 random(static_cast<unsigned>(index));
    std::string bytes(kFileSize, 'a');
    for (size_t i = 0; i < kFileSize / 2; ++i) bytes[i] = static_cast<char>(random());
    return bytes;
}

void MakeArchive(const testing_support::TempDevice& device) {
    namespace fs = std::filesystem;
    const fs::path source = device.Host(L"\\NandFlash\\source");
    for (int i = 0; i < kFiles; ++i) {
        fs::path file = source / ("folder" + std::to_string(i % 4)) / ("image" + std::to_string(i) + ".bmp");
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << Content(i);
    }
    std::string command = "cd '" + source.string() + "' && zip -qr ../AppImages.zi .";
    if (std::system(command.c_str()) != 0) std::abort();
}

void BM_UnZipFile(benchmark::State& state) {
    testing_support::TempDevice device;
    testing_support::LogCapture log;
    MakeArchive(device);
    for (auto _ : state) {
        if (!UnZipFile(L"\\NandFlash\\AppImages.zi", L"\\NandFlash\\Merrow\\Images_")) {
            state.SkipWithError("UnZipFile failed");
            break;
        }
        state.PauseTiming();
        RemoveFolder(L"\\NandFlash\\Merrow\\Images_");
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFiles * kFileSize);
}

void BM_InfoZipUnzip(benchmark::State& state) {
    testing_support::TempDevice device;
    MakeArchive(device);
    const std::string output = device.Host(L"\\NandFlash\\Merrow\\Images_");
    std::filesystem::create_directories(device.Host(L"\\NandFlash\\Merrow"));
    const std::string command = "unzip -qo '" + device.Host(L"\\NandFlash\\AppImages.zi") + "' -d '" + output + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("unzip failed");
            break;
        }
        state.PauseTiming();
        std::filesystem::remove_all(output);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFiles * kFileSize);
}

}  // namespace

BENCHMARK(BM_UnZipFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InfoZipUnzip)->Unit(benchmark::kMillisecond)->UseRealTime();
