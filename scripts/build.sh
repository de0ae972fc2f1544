#!/bin/sh
# Configures and builds everything into build/ (build/ruvexa, build/ruvexa-pack,
# the test binaries).
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
