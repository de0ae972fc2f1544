#!/bin/sh
# Builds and runs the benchmarks; they print throughput and the reference
# figures beside ours (zlib's crc32, a plain host copy, Info-ZIP's unzip).
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh >/dev/null
build/ruvexa_bench "$@"
