#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures build/ (one set of flags for every command, warnings as errors)
# and builds the programs and their data, plus the targets named (for example
# quillmoor_tests). Every program lands in build/bin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The tests' fuzz targets need clang with its sanitizer and libFuzzer runtimes
# (only recommended by clang, and the set-up installs no recommendations).
extra=()
for target in "$@"; do [ "$target" = quillmoor_tests ] && extra+=(clang libclang-rt-14-dev); done
"$root/scripts/setup.sh" "${extra[@]}"
gen=()
[ -f "$root/build/CMakeCache.txt" ] || gen=(-G Ninja)
cmake -S "$root" -B "$root/build" "${gen[@]}" -DQUILLMOOR_WERROR=ON -DQUILLMOOR_TESTS=ON >/dev/null
targets=(all "$@")
cmake --build "$root/build" -j "$(nproc)" --target "${targets[@]}"
