#!/usr/bin/env bash
# Builds with warnings as errors and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" -DQUILLMOOR_WERROR=ON -DQUILLMOOR_TESTS=ON
export QT_QPA_PLATFORM=offscreen
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" "$@"
