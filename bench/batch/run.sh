#!/usr/bin/env bash
# Batch benchmark: the shared decks repeated to 40 or more rows, and the
# shipped samples to 30, each converted in separate mode, uncompressed, by one
# quillmoor-convert call on a new user's home, against the pipeline a
# LibreOffice user writes for a batch: one soffice --convert-to pdf call given
# every deck, then pdftoppm -r 96 and ffmpeg -c:v rawvideo per deck (warmed).
# Prints both times and their ratio for each, how long the engines took to
# start (the first one pays LibreOffice's first start), our wall time against
# LibreOfficeKit's own load and paint summed over every engine, --jobs 1
# against the default, and the peak memory of the program with all its engines;
# then the CPU both take (user + system, every process) and ours per row split
# by part, with minor faults and the share of core time left idle.
# $1: the build/bin folder.
set -euo pipefail
bin=$(cd "${1:?usage: run.sh BUILD_BIN_FOLDER}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
decks_dir=${QUILLMOOR_DECKS:-$root/../shared/decks}
rounds=${QUILLMOOR_BATCH_ROUNDS:-3}
for tool in soffice pdftoppm ffmpeg; do
    command -v $tool >/dev/null || { echo "batch: $tool is missing; skipped"; exit 0; }
done

samples=()
for sample in "$bin"/Samples/*.pptx "$bin"/Samples/*.ppt "$bin"/Samples/*.odp; do
    [ -f "$sample" ] && samples+=("$sample")
done
real=()
if [ -f "$decks_dir/README.md" ]; then
    while IFS= read -r name; do
        [ -f "$decks_dir/$name" ] && real+=("$decks_dir/$name")
    done < <(sed -n 's/^| *\([^|/ ][^|/]*\.\(pptx\|ppt\|odp\)\) *| *[0-9][0-9]* *|.*/\1/p' "$decks_dir/README.md")
else
    echo "batch: no shared decks at $decks_dir; the samples only"
fi
[ ${#samples[@]} -gt 0 ] || { echo "batch: no samples (build them first)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A new user's home: settings, engine profiles and soffice's profile all fresh.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME" "$work/decks"
profile="file://$work/soffice-profile"

# Copies of `sources` under distinct names (soffice names each PDF after its
# deck), repeated to at least `least` rows and `rounds` rounds, into `rows`.
rows=()
repeat_rows() {  # tag least sources...
    local tag=$1 least=$2 round=0 left=$rounds source copy
    shift 2
    rows=()
    while [ ${#rows[@]} -lt "$least" ] || [ "$left" -gt 0 ]; do
        round=$((round + 1))
        for source in "$@"; do
            copy="$work/decks/$tag$round $(basename "$source")"
            cp "$source" "$copy"
            rows+=("$copy")
        done
        left=$((left > 0 ? left - 1 : 0))
    done
}

. "$root/bench/common.sh"

pipeline() {  # decks... -> seconds
    local out=$work/pipeline start end deck base
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir "$out" "$@" >/dev/null 2>&1
    for deck in "$@"; do
        base=$(basename "${deck%.*}")
        mkdir -p "$out/$base"
        pdftoppm -r 96 "$out/$base.pdf" "$out/$base/slide"
        ffmpeg -loglevel error -y -framerate 1 -pattern_type glob -i "$out/$base/slide-*.ppm" \
            -c:v rawvideo -pix_fmt bgr24 "$out/$base.avi"
    done
    end=$(now)
    # The CPU of every command above, which this subshell waited for.
    times >"$work/pipeline-times"
    awk 'NR == 2 { split($1, u, "m"); split($2, s, "m"); printf "%.3f", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
        "$work/pipeline-times" >"$work/pipeline-cpu"
    elapsed "$start" "$end"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# The pipeline is warmed; ours starts as a new user's first batch does.
pipeline "${samples[@]}" >/dev/null

export QUILLMOOR_OFFICE_TIMINGS=$work/lok-times.txt
printf '%-30s %9s %9s %7s\n' rows ours pipeline ratio
measure() {  # label decks...
    local label=$1 o p
    shift
    : >"$QUILLMOOR_OFFICE_TIMINGS"
    o=$(ours "$@")
    cp "$QUILLMOOR_OFFICE_TIMINGS" "$work/last-times.txt"
    read -r ours_cpu ours_faults <<<"$(ours_usage)"
    p=$(pipeline "$@")
    awk -v n="$# rows, $label" -v o="$o" -v p="$p" \
        'BEGIN { printf "%-30s %9.3f %9.3f %7.2f\n", n, o, p, o / p }'
    awk -v n="$# rows, $label, CPU" -v o="$ours_cpu" -v p="$(cat "$work/pipeline-cpu")" \
        'BEGIN { printf "%-30s %9.3f %9.3f %7.2f\n", n, o, p, o / p }'
    cpu_table "$work/last-times.txt" "$#" "$o" "$ours_cpu" "$ours_faults" >"$work/table-$label.txt"
}
if [ ${#real[@]} -gt 0 ]; then
    repeat_rows real 40 "${real[@]}"
    measure "real decks" "${rows[@]}"
fi
repeat_rows sample 30 "${samples[@]}"
measure "samples" "${rows[@]}"
for table in "$work"/table-*.txt; do
    echo "${table##*/table-}" | sed 's/\.txt$/:/'
    cat "$table"
done
engine_starts "$work/last-times.txt"
[ ${#real[@]} -gt 0 ] && repeat_rows real 40 "${real[@]}"
: >"$QUILLMOOR_OFFICE_TIMINGS"
all=$(ours "${rows[@]}")
all_peak=$(peak_mb)
awk -v total="$all" -v lok="$(lok_seconds "$QUILLMOOR_OFFICE_TIMINGS")" \
    'BEGIN { printf "wall / LibreOfficeKit load and paint over all engines: %.3f s / %.3f s = %.2f\n", total, lok, total / lok }'
jobs=1
if [ -n "$(jobs_option)" ]; then
    one=$(ours "${rows[@]}")
    awk -v a="$one" -v b="$all" -v n="${#rows[@]}" \
        'BEGIN { printf "%d rows, --jobs 1 / default: %.3f s / %.3f s = %.2f\n", n, a, b, a / b }'
    echo "peak memory of the program and all its engines: default $all_peak MB, --jobs 1 $(peak_mb) MB"
else
    echo "peak memory of the program and all its engines: $all_peak MB (this build has no --jobs)"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
