#!/usr/bin/env bash
# Configures and builds into build/ (every program lands in build/bin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
gen=()
[ -f "$root/build/CMakeCache.txt" ] || gen=(-G Ninja)
cmake -S "$root" -B "$root/build" "${gen[@]}" "$@" >/dev/null
cmake --build "$root/build" -j "$(nproc)"
