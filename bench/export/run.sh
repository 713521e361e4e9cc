#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Export benchmark: the client exporting each good shared deck the way a run
# does in turn (each deck in a fresh engine forked from one parent) against
# soffice --convert-to pdf followed by pdftoppm -r 96 to PPM files. Both are
# warmed on every deck first. Prints seconds per deck and ratios ours/theirs.
# $1: the build/bin folder.
set -euo pipefail
bin=$(cd "${1:?usage: run.sh BUILD_BIN_FOLDER}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
decks_dir=${QUILLMOOR_DECKS:-$root/../shared/decks}
if [ ! -f "$decks_dir/README.md" ]; then
    echo "export: no shared decks at $decks_dir; skipped"
    exit 0
fi
for tool in soffice pdftoppm; do
    command -v $tool >/dev/null || { echo "export: $tool is missing; skipped"; exit 0; }
done
[ -x "$bin/bench_export" ] || { echo "export: $bin/bench_export is missing; build first"; exit 1; }

# The good decks, in the order of the README's table.
decks=()
while IFS= read -r name; do
    [ -f "$decks_dir/$name" ] && decks+=("$decks_dir/$name")
done < <(sed -n 's/^| *\([^|/ ][^|/]*\.\(pptx\|ppt\|odp\)\) *| *[0-9][0-9]* *|.*/\1/p' "$decks_dir/README.md")
[ ${#decks[@]} -gt 0 ] || { echo "export: no decks listed in $decks_dir/README.md"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Private profiles for both sides, so the user's own are never touched.
export XDG_CACHE_HOME=$work/cache
profile="file://$work/soffice-profile"

now() { date +%s.%N; }

theirs() {  # deck, output folder -> seconds
    local deck=$1 out=$2 start end
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir "$out" "$deck" >/dev/null 2>&1
    pdftoppm -r 96 "$out/$(basename "${deck%.*}").pdf" "$out/slide"
    end=$(now)
    echo "$end - $start" | bc
}

ours() {  # output folder -> "<seconds> <name>" lines and "<seconds> total"
    rm -rf "$1" && mkdir -p "$1"
    "$bin/bench_export" "$1" "${decks[@]}"
}

echo "warming both on every deck..."
for deck in "${decks[@]}"; do theirs "$deck" "$work/pdf" >/dev/null; done
ours "$work/ours" >/dev/null

ours "$work/ours" >"$work/ours.txt"
: >"$work/theirs.txt"
for deck in "${decks[@]}"; do
    echo "$(theirs "$deck" "$work/pdf") $(basename "$deck")" >>"$work/theirs.txt"
done

awk '
    NR == FNR { ours[$2] = $1; next }
    { theirs[$2] = $1; order[++n] = $2 }
    END {
        printf "%-22s %9s %9s %7s\n", "deck", "ours s", "theirs s", "ratio"
        slower = 0
        for (i = 1; i <= n; i++) {
            d = order[i]; sum += theirs[d]
            printf "%-22s %9.3f %9.3f %7.2f\n", d, ours[d], theirs[d], ours[d] / theirs[d]
            if (ours[d] > theirs[d]) slower++
        }
        printf "%-22s %9.3f %9.3f %7.2f\n", "total (run wall time)", ours["total"], sum, ours["total"] / sum
        printf "ratio ours/theirs: %.2f (decks slower than the PDF route: %d)\n", ours["total"] / sum, slower
    }' "$work/ours.txt" "$work/theirs.txt"
