#!/usr/bin/env bash
# Soak benchmark (not a test): many short runs, each on a new user's home (the
# engine parent's first start, then its first forks, are where a batch once
# stalled), and one long run at --jobs 2 on one home. Counts rows lost, rows
# retried (the report's engineRetries), stalls (a row over STALL seconds) and
# prints the slowest row. Give two builds to compare them in one script.
# $1: a build/bin folder; $2 (optional): another one, measured alike after it.
# QUILLMOOR_SOAK_RUNS (default 50) short runs of QUILLMOOR_SOAK_ROWS (default 6)
# rows; QUILLMOOR_SOAK_LONG (default 60) rows in the long run.
set -euo pipefail
runs=${QUILLMOOR_SOAK_RUNS:-50}
rows=${QUILLMOOR_SOAK_ROWS:-6}
long=${QUILLMOOR_SOAK_LONG:-60}
stall=${QUILLMOOR_SOAK_STALL:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The rows' figures from a run's JSON report: seconds, retries, outcome, input.
rows_of() {
    python3 -c '
import json, sys
for row in json.load(open(sys.argv[1]))["rows"]:
    print(row["seconds"], row.get("engineRetries", 0), row["outcome"].replace(" ", "-"), row["input"])
' "$1"
}

soak() {  # bin
    local bin=$1 decks=() run home list deck i
    for deck in "$bin"/Samples/*; do [ -f "$deck" ] && decks+=("$deck"); done
    [ ${#decks[@]} -gt 0 ] || { echo "soak: no samples in $bin"; return 1; }
    : >"$work/rows.txt"
    one_run() {  # label count jobs...
        local label=$1 count=$2 list=()
        shift 2
        for ((i = 0; i < count; ++i)); do list+=("${decks[i % ${#decks[@]}]}"); done
        rm -rf "$work/out" && mkdir -p "$work/out"
        "$bin/quillmoor-convert" "$@" --separate --codec raw --fps 1 --output-dir "$work/out" \
            --report "$work/report.json" "${list[@]}" >/dev/null 2>&1 || true
        if [ -f "$work/report.json" ]; then
            rows_of "$work/report.json" | sed "s|^|$label |" >>"$work/rows.txt"
            rm -f "$work/report.json"
        else
            echo "$label 0 0 lost-run (no report)" >>"$work/rows.txt"
        fi
    }
    for ((run = 1; run <= runs; ++run)); do
        home=$work/home-$run
        mkdir -p "$home"
        HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
            one_run short "$rows"
        rm -rf "$home"
    done
    home=$work/home-long
    mkdir -p "$home"
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
        one_run long "$long" --jobs 2
    rm -rf "$home"
    awk -v stall="$stall" -v bin="$bin" '
        { n++; if ($4 != "written") lost++; retries += $3; if ($2 > stall) stalls++
          if ($2 > slowest) { slowest = $2; which = $0 } }
        END { printf "%s: %d rows, %d lost, %d retried, %d stalls (> %d s), slowest %.2f s (%s)\n",
                     bin, n, lost, retries, stalls, stall, slowest, which }' "$work/rows.txt"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for bin in "$@"; do soak "$(cd "$bin" && pwd)"; done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
