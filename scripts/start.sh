#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and starts Quillmoor. Without a display it converts the shipped
# samples into the current folder instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$root/build/bin/quillmoor"
fi
echo "No display: converting the shipped samples into $(pwd)"
exec "$root/build/bin/quillmoor-convert" --samples
