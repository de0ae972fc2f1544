#!/bin/sh
# Soaks one simulated device in power cuts: upgrade after upgrade, each cut
# at a random change, clean or lossy, remote or local (default 200), then
# checks that every one ended on the new program and that the handles and
# memory of a boot did not grow. Not part of the test run.
#   scripts/soak.sh [UPGRADES]
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh scenario_tests
RUVEXA_SOAK_UPGRADES="${1:-200}" exec build/tests/scenario/scenario_tests \
    --gtest_also_run_disabled_tests --gtest_filter='Soak.*'
