#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the benchmarks under bench/ (all, or the ones named), each printing its
# ratio against a peer tool run in the same script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" ffmpeg poppler-utils bc
"$root/scripts/build.sh" quillmoor_benchmarks
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for d in "$root"/bench/*/; do [ -x "$d/run.sh" ] && names+=("$(basename "$d")"); done
fi
for n in "${names[@]}"; do
    echo "== $n"
    "$root/bench/$n/run.sh" "$root/build/bin"
done
