#!/usr/bin/env bash
# Batch benchmark: the shipped samples and the shared decks, repeated to 30 or
# more rows, converted in separate mode, uncompressed, by one quillmoor-convert
# call, against the pipeline a LibreOffice user writes for a batch: one
# soffice --convert-to pdf call given every deck, then pdftoppm -r 96 and
# ffmpeg -c:v rawvideo per deck. Both are warmed first. Prints both times and
# their ratio, and our wall time against LibreOfficeKit's own load and paint
# time summed over every helper.
# $1: the build/bin folder.
set -euo pipefail
bin=$(cd "${1:?usage: run.sh BUILD_BIN_FOLDER}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
decks_dir=${QUILLMOOR_DECKS:-$root/../shared/decks}
rounds=${QUILLMOOR_BATCH_ROUNDS:-3}
for tool in soffice pdftoppm ffmpeg; do
    command -v $tool >/dev/null || { echo "batch: $tool is missing; skipped"; exit 0; }
done

sources=()
for sample in "$bin"/Samples/*.pptx "$bin"/Samples/*.ppt "$bin"/Samples/*.odp; do
    [ -f "$sample" ] && sources+=("$sample")
done
if [ -f "$decks_dir/README.md" ]; then
    while IFS= read -r name; do
        [ -f "$decks_dir/$name" ] && sources+=("$decks_dir/$name")
    done < <(sed -n 's/^| *\([^|/ ][^|/]*\.\(pptx\|ppt\|odp\)\) *| *[0-9][0-9]* *|.*/\1/p' "$decks_dir/README.md")
else
    echo "batch: no shared decks at $decks_dir; the samples only"
fi
[ ${#sources[@]} -gt 0 ] || { echo "batch: no decks (build the samples first)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME" "$work/decks"
profile="file://$work/soffice-profile"

# Distinct names for the repeats: soffice names each PDF after its deck.
decks=()
while [ ${#decks[@]} -lt 30 ] || [ "$rounds" -gt 0 ]; do
    round=$(( ${#decks[@]} / ${#sources[@]} + 1 ))
    for source in "${sources[@]}"; do
        copy="$work/decks/r$round $(basename "$source")"
        cp "$source" "$copy"
        decks+=("$copy")
    done
    rounds=$(( rounds > 0 ? rounds - 1 : 0 ))
done

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
    elapsed "$start" "$end"
}

echo "warming both on ${#sources[@]} decks..."
pipeline "${sources[@]}" >/dev/null
ours "${sources[@]}" >/dev/null

p=$(pipeline "${decks[@]}")
export QUILLMOOR_OFFICE_TIMINGS=$work/lok-times.txt
: >"$QUILLMOOR_OFFICE_TIMINGS"
o=$(ours "${decks[@]}")
printf '%-30s %9s %9s %7s\n' rows ours pipeline ratio
awk -v n="${#decks[@]} rows, separate" -v o="$o" -v p="$p" \
    'BEGIN { printf "%-30s %9.3f %9.3f %7.2f\n", n, o, p, o / p }'
awk -v total="$o" '
    { lok += $2 }
    END { printf "wall / LibreOfficeKit load and paint over all helpers: %.3f s / %.3f s = %.2f\n", total, lok, total / lok }
' "$QUILLMOOR_OFFICE_TIMINGS"
