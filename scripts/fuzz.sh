#!/bin/sh
# Fuzzes one target with libFuzzer for a bounded time:
#   scripts/fuzz.sh unzip|package|pack|delta [seconds]      (default 60)
# unzip: the zip extractor (UnZipFile) on an arbitrary archive;
# package: pre-verification and extraction (ExtractThreadProc) of an
#   arbitrary package file in a temporary device;
# pack: ruvexa-pack's inspect (text and JSON) and verify on an arbitrary file;
# delta: a delta's manifest reader, package check, folder build and patch
#   applier on an arbitrary manifest and patch over an installed tree.
# Builds tests/fuzz/TARGET_fuzz with clang, AddressSanitizer and
# LeakSanitizer in build-fuzz/, starts from the seeds kept in
# tests/fuzz/corpus/ (pack shares the package seeds), and keeps what it
# learns in build-fuzz/TARGET-corpus/. The zip seeds were written by
# tests/fuzz/make_unzip_seeds.py FOLDER, which writes them afresh (the delta
# seeds by tests/fuzz/make_delta_seeds.py FOLDER). A finding stops the run; its input is
# kept in build-fuzz/TARGET-artifacts/. Not part of the test run.
set -eu
cd "$(dirname "$0")/.."
target="${1:-}"
seconds="${2:-60}"
case "$target" in
    unzip) seeds=tests/fuzz/corpus/unzip ;;
    package | pack) seeds=tests/fuzz/corpus/package ;;
    delta) seeds=tests/fuzz/corpus/delta ;;
    *)
        echo "usage: scripts/fuzz.sh unzip|package|pack|delta [seconds]" >&2
        exit 2
        ;;
esac

# Beyond the ordinary build: clang and its runtime libraries (libFuzzer,
# the sanitizers).
sh scripts/setup.sh clang libclang-rt-dev

build=build-fuzz
flags="-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build" -DRUVEXA_FUZZ=ON -DRUVEXA_BENCHMARKS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" --target "${target}_fuzz" -j"$(nproc)"

corpus="$build/$target-corpus"
artifacts="$build/$target-artifacts"
mkdir -p "$corpus" "$artifacts"
exec "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -max_len=65536 -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$artifacts/" \
    "$corpus" "$seeds"
