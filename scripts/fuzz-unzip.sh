#!/bin/sh
# Fuzzes the zip extractor (UnZipFile) with libFuzzer for a bounded time:
#   scripts/fuzz-unzip.sh [seconds]      (default 60)
# Builds tests/fuzz/unzip_fuzz with clang, AddressSanitizer and LeakSanitizer
# in build-fuzz/, seeds it with archives made by Python's zipfile, and runs
# it. A finding stops the run; its input is kept in build-fuzz/unzip-artifacts/.
# Not part of the test run: fuzzing needs clang and takes as long as asked.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"

sh scripts/setup.sh
# What the fuzzing build needs beyond the ordinary build: clang and its
# runtime libraries (libFuzzer, the sanitizers).
missing=""
for package in clang libclang-rt-dev; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    echo "fuzz-unzip: installing$missing" >&2
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

build=build-fuzz
flags="-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build" -DRUVEXA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" --target unzip_fuzz -j2

corpus="$build/unzip-corpus"
seeds="$build/unzip-seeds"
artifacts="$build/unzip-artifacts"
mkdir -p "$corpus" "$artifacts"
python3 tests/fuzz/make_unzip_seeds.py "$seeds"

exec "$build/tests/fuzz/unzip_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -max_len=65536 -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$artifacts/" \
    "$corpus" "$seeds"
