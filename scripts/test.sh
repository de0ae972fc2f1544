#!/bin/sh
# Installs what is missing, builds, and runs every test; then runs them again
# on sanitizer builds (scripts/test-sanitized.sh), and compares the program on
# the host with its Windows build under Wine (scripts/wine-diff.sh).
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh
echo "test: running every test" >&2
ctest --test-dir build --output-on-failure --progress -j"$(nproc)" --timeout 900
sh scripts/test-sanitized.sh
echo "test: comparing the program with its Windows build under Wine" >&2
sh scripts/wine-diff.sh
