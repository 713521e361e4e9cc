# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the deck benchmarks; sourced after $bin and $work are set.
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# One quillmoor-convert call, separate mode, uncompressed: decks... -> seconds
ours() {
    local out=$work/ours start end
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    "$bin/quillmoor-convert" --separate --codec raw --fps 1 --output-dir "$out" "$@" >/dev/null 2>&1 ||
        { echo "quillmoor-convert failed on $*" >&2; exit 1; }
    end=$(now)
    elapsed "$start" "$end"
}
