#!/bin/sh
# Configures and builds into build/: everything (build/ruvexa,
# build/ruvexa-pack, the test binaries), or only the targets named, such as
# `sh scripts/build.sh ruvexa ruvexa-pack`. The build shows its progress.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
echo "build: configuring build/" >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "$#" -gt 0 ]; then
    cmake --build build -j"$(nproc)" --target "$@"
else
    cmake --build build -j"$(nproc)"
fi
