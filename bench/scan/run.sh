#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Scans a generated tree of about 20,000 folders and 200,000 files for "*.ppt"
# with GetSubDirectories2016 + GetFileList, against find -iname on the same
# tree. Prints the best of three warm runs of each and the ratio ours/find.
set -euo pipefail
bin=$(cd "${1:?usage: run.sh BUILD_BIN_DIR}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-bench-scan-XXXXXX")
trap 'rm -rf "$work"' EXIT
tree="$work/tree"

"$bin/bench_scan" generate "$tree"

now() { date +%s%N; }
# best_of CMD...: runs once to warm the caches, then three times; prints the
# best wall time in seconds.
best_of() {
    "$@" >/dev/null
    local best=""
    for _ in 1 2 3; do
        local start end
        start=$(now)
        "$@" >/dev/null
        end=$(now)
        local t=$((end - start))
        if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    done
    awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

ours_count=$("$bin/bench_scan" scan "$tree" '*.ppt' | cut -d' ' -f1)
find_count=$(find "$tree" -iname '*.ppt' | wc -l)
if [ "$ours_count" != "$find_count" ]; then
    echo "scan found $ours_count files, find found $find_count" >&2
    exit 1
fi

ours=$(best_of "$bin/bench_scan" scan "$tree" '*.ppt')
peer=$(best_of find "$tree" -iname '*.ppt')
echo "tree: $(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f | wc -l) files, $find_count match *.ppt"
echo "GetSubDirectories2016 + GetFileList: ${ours} s"
echo "find -iname '*.ppt':                 ${peer} s"
awk -v a="$ours" -v b="$peer" 'BEGIN { printf "ratio ours/find: %.2f\n", a / b }'
