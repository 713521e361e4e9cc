#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Assembles 120 frames of 1280x720 into an AVI with quillmoor-convert and with
# ffmpeg on the same frames, uncompressed and as Motion JPEG, and prints the
# ratios ours / ffmpeg (best of three runs each; lower is better).
# Frames are real slides of ../shared/decks exported with quillmoor-office when
# both are there, else varied frames from ffmpeg's test source.
set -euo pipefail
bin=$(cd "${1:?usage: run.sh BUILD_BIN_DIR}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
decks="$root/../shared/decks"
[ -d "$decks" ] || decks="$root/../../shared/decks"  # from a worktree beside the main clone
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-bench-assemble-XXXXXX")
trap 'rm -rf "$work"' EXIT
frames="$work/frames"
mkdir -p "$frames"
count=120

fit() {  # any picture -> 1280x720 24-bit BMP, aspect kept, black bars
    ffmpeg -v error -y -i "$1" -vf "scale=1280:720:force_original_aspect_ratio=decrease,pad=1280:720:(ow-iw)/2:(oh-ih)/2" \
        -pix_fmt bgr24 "$2"
}

source="test source (ffmpeg testsrc2)"
if [ -x "$bin/quillmoor-office" ] && [ -d "$decks" ]; then
    slides=()
    mkdir -p "$work/export"
    for deck in "$decks"/*.ppt "$decks"/*.pptx; do
        name=$(basename "$deck")
        if "$bin/quillmoor-office" export "$deck" "$work/export/$name.bmp" >/dev/null 2>&1; then
            for s in "$work/export/$name"/Slide*.bmp; do [ -f "$s" ] && slides+=("$s"); done
        fi
    done
    if [ ${#slides[@]} -gt 0 ]; then
        for ((n = 1; n <= count; n++)); do fit "${slides[$(((n - 1) % ${#slides[@]}))]}" "$frames/Slide$n.bmp"; done
        source="${#slides[@]} real slides of shared/decks, repeated to $count"
    fi
fi
if [ ! -f "$frames/Slide$count.bmp" ]; then
    rm -f "$frames"/*
    ffmpeg -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=1" -frames:v $count -pix_fmt bgr24 \
        -start_number 1 "$frames/Slide%d.bmp"
fi
echo "frames: $count x 1280x720 from $source"

# One timed run on a fresh copy of the frames (ours deletes them); copying is not
# timed. Prints "wall cpu" in milliseconds (cpu: user + system).
timed() {
    rm -rf "$work/run" "$work/out.avi"
    cp -r "$frames" "$work/run"
    sync
    local TIMEFORMAT='%3R %3U %3S'
    { time "$@" >/dev/null 2>"$work/stderr"; } 2>"$work/time"
    awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$work/time"
}
# The contenders, each writing $work/out.avi from the frames in $work/run.
ours_raw() { "$bin/quillmoor-convert" --frames "$work/run" --fps 1 --output "$work/out.avi"; }
peer_raw() { ffmpeg -v error -y -framerate 1 -i "$work/run/Slide%d.bmp" -c:v rawvideo "$work/out.avi"; }
ours_mjpeg() { "$bin/quillmoor-convert" --frames "$work/run" --fps 1 --output "$work/out.avi" --codec mjpeg --quality 93; }
peer_mjpeg() { ffmpeg -v error -y -framerate 1 -i "$work/run/Slide%d.bmp" -c:v mjpeg -q:v 3 "$work/out.avi"; }
peer_mjpeg420() {
    ffmpeg -v error -y -framerate 1 -i "$work/run/Slide%d.bmp" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p "$work/out.avi"
}

# Best of five rounds; each round runs the contenders back to back, so a busy
# machine slows them alike. Wall and processor time are kept apart: on a loaded
# machine the processor time is the steadier figure.
declare -A wall cpu sizes
race() {
    for _ in 1 2 3 4 5; do
        for contender in "$@"; do
            local w c
            read -r w c < <(timed "$contender")
            if [ -z "${wall[$contender]:-}" ] || [ "$w" -lt "${wall[$contender]}" ]; then wall[$contender]=$w; fi
            if [ -z "${cpu[$contender]:-}" ] || [ "$c" -lt "${cpu[$contender]}" ]; then cpu[$contender]=$c; fi
            sizes[$contender]=$(stat -c %s "$work/out.avi")
        done
    done
}
race ours_raw peer_raw
race ours_mjpeg peer_mjpeg peer_mjpeg420

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
report() {  # report LABEL OURS PEER
    printf '%-40s wall %5d ms vs %5d ms  cpu %5d ms vs %5d ms  size %d vs %d bytes\n' "$1" \
        "${wall[$2]}" "${wall[$3]}" "${cpu[$2]}" "${cpu[$3]}" "${sizes[$2]}" "${sizes[$3]}"
    echo "ratio $1 ours/ffmpeg: $(ratio "${wall[$2]}" "${wall[$3]}") (cpu $(ratio "${cpu[$2]}" "${cpu[$3]}"))"
}
report "uncompressed" ours_raw peer_raw
report "mjpeg -q:v 3" ours_mjpeg peer_mjpeg
# ffmpeg picks 4:4:4 for Motion JPEG; ours writes the 4:2:0 players expect.
report "mjpeg -q:v 3 -pix_fmt yuvj420p" ours_mjpeg peer_mjpeg420
