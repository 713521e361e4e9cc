# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the deck benchmarks; sourced after $bin and $work are set.
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# Engines at work at once for ours(): empty for the program's default (one a core).
jobs=
# "--jobs N" when that build of quillmoor-convert takes it; builds from before it run as they do.
jobs_option() {
    [ -n "$jobs" ] && "$bin/quillmoor-convert" --help 2>/dev/null | grep -q -- --jobs &&
        echo "--jobs $jobs"
    return 0
}

# Resident kilobytes of process $1 and every process below it (engines forked
# by the engine parent are grandchildren of the program).
tree_rss() {
    ps -e -o pid=,ppid=,rss= | awk -v root="$1" '
        { parent[$1] = $2; rss[$1] = $3 }
        END {
            for (p in parent) {
                q = p
                while (q != "" && q != root && q != 0 && q != 1) q = parent[q]
                if (q == root) total += rss[p]
            }
            print total + 0
        }'
}

# The largest tree_rss of the last ours() run, in megabytes.
peak_mb() { echo $(( $(cat "$work/peak-kb" 2>/dev/null || echo 0) / 1024 )); }

# One quillmoor-convert call, separate mode, uncompressed: decks... -> seconds
ours() {
    local out=$work/ours start end pid rss peak=0
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    # shellcheck disable=SC2046 # the option is two words or none
    "$bin/quillmoor-convert" $(jobs_option) --separate --codec raw --fps 1 --output-dir "$out" "$@" \
        >/dev/null 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        rss=$(tree_rss "$pid")
        [ "$rss" -gt "$peak" ] && peak=$rss
        sleep 0.1
    done
    wait "$pid" || { echo "quillmoor-convert failed on $*" >&2; exit 1; }
    end=$(now)
    echo "$peak" >"$work/peak-kb"
    elapsed "$start" "$end"
}

# LibreOfficeKit's own load and paint time in a timings file, in seconds.
lok_seconds() {
    awk '$1 == "load" || $1 == "paint" { lok += $2 } END { printf "%.3f", lok }' "$1"
}

# The engines' own starts in a timings file: the first, and the slowest after it.
engine_starts() {
    awk '$1 == "start" { n++; if (n == 1) first = $2; else if ($2 > later) later = $2 }
         END { if (n) printf "engine starts: %d, the first %.3f s, the slowest after it %.3f s\n", n, first, later }' "$1"
}
