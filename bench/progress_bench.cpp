// One upgrade's work, the extraction then the installation (both workers'
// bodies, in turn on this thread), of a package of 300 images of 20 KB,
// without and with the progress bar, the two runs alternating so that a
// machine whose load drifts weighs on both alike. With the bar, a second
// thread plays the UI thread's timer: it looks at the stage's progress every
// 200 ms of device time and draws the bar whenever it grows; this thread
// shows the bar before each stage's worker runs, as the UI thread does. The
// argument is the time scale: 1 looks as often as the device does, 100 as
// often as the scenario tests' runs (every 2 ms of real time). The time
// reported is the run with the bar; the counters give both runs' means and
// the bar's cost in percent, the median of the pairs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app_state.h"
#include "archive_support.h"
#include "extraction.h"
#include "installation.h"
#include "package_builder.h"
#include "progress_bar.h"
#include "result_window.h"
#include "ruvexa_host.h"
#include "shell_constants.h"
#include "stage_progress.h"
#include "test_support.h"

namespace {

constexpr int kImages = 300;
constexpr size_t kImageSize = 20000;
constexpr UINT kUnusedMessage = WM_APP + 99;

const WCHAR kPackage[] = L"\\Storage Card\\OV3_Download\\OV3_UPGRADE_1.BIN";
const WCHAR kExe[] = L"\\Storage Card\\OV3_Download\\AppExecute.ex";
const WCHAR kImagesArchive[] = L"\\Storage Card\\OV3_Download\\AppImages.zi";
const WCHAR kFontsArchive[] = L"\\Storage Card\\OV3_Download\\AppFonts.zi";

std::string PackageBytes(const testing_support::TempDevice& device) {
    std::vector<unzip_testing::MinizipEntry> images;
    for (int i = 0; i < kImages; ++i) {
        images.push_back({.name = "Image" + std::to_string(i) + ".bmp",
                          .data = testing_support::RandomBytes(kImageSize, i),
                          .method = 0});
    }
    const std::string imagesZip = device.Host(L"\\images.zip");
    const std::string fontsZip = device.Host(L"\\fonts.zip");
    unzip_testing::MakeMinizipZip(imagesZip, images);
    unzip_testing::MakeMinizipZip(fontsZip, {{.name = "Main.ttf", .data = testing_support::RandomBytes(30000, 7)}});
    return package_testing::BuildPackage({.exe = "#!/bin/sh\ntrue\n",
                                          .images = testing_support::ReadHostFile(imagesZip),
                                          .fonts = testing_support::ReadHostFile(fontsZip)});
}

// The UI thread's part in the bar. The bar's state belongs to one thread at
// a time: the lock stands for the UI thread's message loop, which runs the
// stage's start and the timer one after the other.
class BarWatcher {
public:
    explicit BarWatcher(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~BarWatcher() {
        stop_ = true;
        thread_.join();
        RemoveProgressBar(window_);
    }
    void BeginStage() {
        std::lock_guard<std::mutex> loop(loop_);
        RemoveProgressBar(window_);
        ShowProgressBar(window_);
    }

private:
    void Run() {
        while (!stop_) {
            {
                std::lock_guard<std::mutex> loop(loop_);
                UpdateProgressBar();
            }
            Sleep(kProgressIntervalMs);
        }
    }

    HWND window_;
    std::mutex loop_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Without the bar the progress is still counted, from zero for each stage.
void BeginStage(BarWatcher* watcher) {
    if (watcher) {
        watcher->BeginStage();
    } else {
        RunningStageProgress().Reset();
    }
}

bool RunUpgrade(const testing_support::TempDevice& device, BarWatcher* watcher) {
    Preparer preparer{};
    FillWorkerRecord(&preparer, NULL, 0, kPackage, kExe, kImagesArchive, kFontsArchive);
    BeginStage(watcher);
    ExtractThreadProc(&preparer);
    if (!device.Exists(kExe)) return false;

    Installer installer{};
    FillWorkerRecord(&installer, NULL, 0, kPackage, kExe, kImagesArchive, kFontsArchive);
    BeginStage(watcher);
    UpgradeThreadProc(&installer);
    return RunningStageProgress().Done() == RunningStageProgress().Total();
}

// The seconds one upgrade takes on a device prepared afresh.
double TimedUpgrade(const testing_support::TempDevice& device, const std::string& package, HWND barWindow,
                    benchmark::State& state) {
    std::filesystem::remove_all(device.Host(L"\\NandFlash\\Merrow"));
    device.WriteFile(kPackage, package);
    std::unique_ptr<BarWatcher> watcher(barWindow ? new BarWatcher(barWindow) : nullptr);
    const auto start = std::chrono::steady_clock::now();
    if (!RunUpgrade(device, watcher.get())) state.SkipWithError("the upgrade failed");
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    return taken.count();
}

void BM_UpgradeWithProgressBar(benchmark::State& state) {
    host::ResetWindowManager();
    host::SetTimeScale(static_cast<double>(state.range(0)));
    testing_support::TempDevice device;
    testing_support::LogCapture log;
    const std::string package = PackageBytes(device);
    testing_support::ResultWindow window(kUnusedMessage);
    g_hWnd = window.Handle();
    double without = 0;
    double with = 0;
    std::vector<double> costs;  // of each pair, in percent
    bool barFirst = false;
    for (auto _ : state) {
        double bar = 0;
        if (barFirst) bar = TimedUpgrade(device, package, window.Handle(), state);
        const double plain = TimedUpgrade(device, package, NULL, state);
        if (!barFirst) bar = TimedUpgrade(device, package, window.Handle(), state);
        barFirst = !barFirst;
        without += plain;
        with += bar;
        costs.push_back((bar / plain - 1) * 100);
        state.SetIterationTime(bar);
    }
    // The median pair: a load spike during one run moves it little.
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    state.counters["without_ms"] = benchmark::Counter(without * 1000, benchmark::Counter::kAvgIterations);
    state.counters["with_ms"] = benchmark::Counter(with * 1000, benchmark::Counter::kAvgIterations);
    state.counters["bar_cost_%"] = costs[costs.size() / 2];
    host::SetTimeScale(1);
    host::ResetWindowManager();
}

}  // namespace

BENCHMARK(BM_UpgradeWithProgressBar)
    ->Arg(1)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(21);
