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
    # GNU time counts every process below it, the engines too: they are all waited for.
    /usr/bin/time -o "$work/usage" -f "%e %U %S %R" \
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

# CPU seconds (user + system) and minor faults of the last ours() run, its whole tree.
ours_usage() { awk '{ printf "%.3f %d", $2 + $3, $4 }' "$work/usage"; }

# The CPU a run's rows cost, split by part, per row: timings file, rows, and
# the run's wall seconds, CPU seconds and minor faults (ours_usage).
cpu_table() {  # timings rows wall cpu faults
    awk -v rows="$2" -v wall="$3" -v cpu="$4" -v faults="$5" -v cores="$(nproc)" '
        { c[$1] += $3; f[$1] += $4; n[$1]++ }
        END {
            inner = 0; innerf = 0
            split("start warm links load paint bitmap facts", parts, " ")
            for (i = 1; i in parts; i++) { inner += c[parts[i]]; innerf += f[parts[i]] }
            printf "%-34s %9s %9s\n", "CPU per row, by part", "ms", "faults"
            printf "%-34s %9.1f %9.0f\n", "fork (in the engine parent)", 1000 * c["fork"] / rows, f["fork"] / rows
            printf "%-34s %9.1f %9.0f\n", "lok_init (start)", 1000 * c["start"] / rows, f["start"] / rows
            printf "%-34s %9.1f %9.0f\n", "warm-up", 1000 * c["warm"] / rows, f["warm"] / rows
            printf "%-34s %9.1f %9.0f\n", "links check (Flat ODP copy)", 1000 * c["links"] / rows, f["links"] / rows
            printf "%-34s %9.1f %9.0f\n", "load", 1000 * c["load"] / rows, f["load"] / rows
            printf "%-34s %9.1f %9.0f\n", "paint", 1000 * c["paint"] / rows, f["paint"] / rows
            printf "%-34s %9.1f %9.0f\n", "BMP write", 1000 * c["bitmap"] / rows, f["bitmap"] / rows
            printf "%-34s %9.1f %9.0f\n", "timings and notes (facts)", 1000 * c["facts"] / rows, f["facts"] / rows
            printf "%-34s %9.1f %9.0f\n", "rest of the engine and its exit", 1000 * (c["engine"] - inner) / rows, (f["engine"] - innerf) / rows
            printf "%-34s %9.1f %9.0f\n", "program: frame read, encode, parent", 1000 * (cpu - c["engine"]) / rows, (faults - f["engine"]) / rows
            printf "%-34s %9.1f %9.0f\n", "all", 1000 * cpu / rows, faults / rows
            printf "idle core time: %.0f %% of %d cores over %.1f s\n", 100 * (1 - cpu / (wall * cores)), cores, wall
        }' "$1"
}
