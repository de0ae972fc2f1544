#!/bin/sh
# Builds and runs the benchmarks; they print throughput and the reference
# figures beside ours (zlib's crc32, a plain host copy, Info-ZIP's unzip),
# then the whole commands on many small files beside zip -r and unzip, a
# delta release beside the full package, and the executable's patch beside
# zstd's.
# Arguments go to the Google Benchmark binary.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh zstd time
sh scripts/build.sh >/dev/null
build/ruvexa_bench "$@"
python3 bench/small_files.py --build build
python3 bench/delta_release.py --build build
python3 bench/exe_patch.py --build build
