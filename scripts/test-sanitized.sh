#!/bin/sh
# Runs the suite again on sanitizer builds, after scripts/test.sh's ordinary
# run: the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), then the tests that involve threads with ThreadSanitizer
# (build-tsan/, built without SDL2). Any report fails the run. Benchmarks are
# not built, and the compile check against the Windows headers is not
# repeated.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
jobs="$(nproc)"

configure() {  # build folder, sanitizers, further options
    folder=$1 sanitizers=$2
    shift 2
    cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
        -DRUVEXA_SANITIZE="$sanitizers" -DRUVEXA_BENCHMARKS=OFF "$@" >/dev/null
}

echo "== AddressSanitizer and UndefinedBehaviorSanitizer: every test"
configure build-asan address,undefined
cmake --build build-asan -j"$jobs"
# The fault matrix takes every fifth of its pairs here: a sanitized boot
# starts several times slower.
RUVEXA_FAULT_STRIDE=5 ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/sanitizers/lsan.supp" ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600 -E '^DeviceSources\.'

# The message queue and timers, threads, the debug output from several
# threads, both workers on their own threads, the screen written at exit from
# another thread, the power-off watchdog and the launches of build/ruvexa's
# boots.
threaded='^(MessageTest|Thread|DebugOutput|ScreenPngTest|ExtractionPrepareTest|TimerSequenceTest|Results/ResultRowTest|Launch|LateUsbDisk|HostOptions|Rows/StartScenario|Rows/WholeUpgrade)\.|RunsOnAThreadOfItsOwn'
# Built without SDL2, so that every run also shows the headless host builds
# and runs where SDL2 is missing.
echo "== ThreadSanitizer, without SDL2: the tests that involve threads"
configure build-tsan thread -DRUVEXA_SDL2=OFF
cmake --build build-tsan -j"$jobs" --target ruvexa platform_core_tests platform_ui_tests package_tests install_tests shell_tests scenario_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build-tsan --output-on-failure -j"$jobs" --timeout 600 -R "$threaded"
