#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Conversion benchmark: every good shared deck converted in separate mode,
# uncompressed, by quillmoor-convert, against the shell pipeline a Linux user
# would write (soffice --convert-to pdf, pdftoppm -r 96, ffmpeg -c:v rawvideo).
# Both are warmed on every deck first. Prints seconds per deck and in total,
# the ratios ours/pipeline, the batch's wall time against LibreOfficeKit's own
# load and paint time summed over every engine (below 1 when engines overlap),
# --jobs 1 against the default, and the peak memory of the program with all
# its engines.
# $1: the build/bin folder.
set -euo pipefail
bin=$(cd "${1:?usage: run.sh BUILD_BIN_FOLDER}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
decks_dir=${QUILLMOOR_DECKS:-$root/../shared/decks}
if [ ! -f "$decks_dir/README.md" ]; then
    echo "convert: no shared decks at $decks_dir; skipped"
    exit 0
fi
for tool in soffice pdftoppm ffmpeg; do
    command -v $tool >/dev/null || { echo "convert: $tool is missing; skipped"; exit 0; }
done

decks=()
while IFS= read -r name; do
    [ -f "$decks_dir/$name" ] && decks+=("$decks_dir/$name")
done < <(sed -n 's/^| *\([^|/ ][^|/]*\.\(pptx\|ppt\|odp\)\) *| *[0-9][0-9]* *|.*/\1/p' "$decks_dir/README.md")
[ ${#decks[@]} -gt 0 ] || { echo "convert: no decks listed in $decks_dir/README.md"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A private home: our settings and engine profiles, and soffice's profile, are fresh.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME"
profile="file://$work/soffice-profile"

. "$root/bench/common.sh"

pipeline() {  # deck -> seconds
    local deck=$1 out=$work/pipeline start end base
    base=$(basename "${deck%.*}")
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir "$out" "$deck" >/dev/null 2>&1
    pdftoppm -r 96 "$out/$base.pdf" "$out/slide"
    ffmpeg -loglevel error -y -framerate 1 -pattern_type glob -i "$out/slide-*.ppm" -c:v rawvideo -pix_fmt bgr24 "$out/$base.avi"
    end=$(now)
    elapsed "$start" "$end"
}

echo "warming both on every deck..."
for deck in "${decks[@]}"; do pipeline "$deck" >/dev/null; ours "$deck" >/dev/null; done

printf '%-22s %9s %9s %7s\n' deck ours pipeline ratio
ours_sum=0
pipeline_sum=0
for deck in "${decks[@]}"; do
    o=$(ours "$deck")
    p=$(pipeline "$deck")
    ours_sum=$(awk -v a="$ours_sum" -v b="$o" 'BEGIN { print a + b }')
    pipeline_sum=$(awk -v a="$pipeline_sum" -v b="$p" 'BEGIN { print a + b }')
    awk -v n="$(basename "$deck")" -v o="$o" -v p="$p" 'BEGIN { printf "%-22s %9.3f %9.3f %7.2f\n", n, o, p, o / p }'
done
awk -v o="$ours_sum" -v p="$pipeline_sum" 'BEGIN { printf "%-22s %9.3f %9.3f %7.2f\n", "total, deck by deck", o, p, o / p }'

# The whole deck set as one quillmoor-convert call, against the per-deck
# pipeline. The engine notes its load and paint times.
export QUILLMOOR_OFFICE_TIMINGS=$work/lok-times.txt
: >"$QUILLMOOR_OFFICE_TIMINGS"
batch=$(ours "${decks[@]}")
batch_peak=$(peak_mb)
awk -v o="$batch" -v p="$pipeline_sum" 'BEGIN { printf "%-22s %9.3f %9.3f %7.2f\n", "total, one batch", o, p, o / p }'
awk -v total="$batch" -v lok="$(lok_seconds "$QUILLMOOR_OFFICE_TIMINGS")" \
    'BEGIN { printf "wall / LibreOfficeKit load and paint over all engines: %.3f s / %.3f s = %.2f\n", total, lok, total / lok }'
jobs=1
if [ -n "$(jobs_option)" ]; then
    one=$(ours "${decks[@]}")
    awk -v a="$one" -v b="$batch" 'BEGIN { printf "one batch, --jobs 1 / default: %.3f s / %.3f s = %.2f\n", a, b, a / b }'
    echo "peak memory of the program and all its engines: default $batch_peak MB, --jobs 1 $(peak_mb) MB"
else
    echo "peak memory of the program and all its engines: $batch_peak MB (this build has no --jobs)"
fi
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
