#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, then runs each over its seed
# corpus (fuzz/corpus/<target>) for a fixed number of inputs.
#   scripts/fuzz.sh                 every target, QUILLMOOR_FUZZ_RUNS inputs each
#   scripts/fuzz.sh wildcard paths  some of them
# A crash leaves its input in build-fuzz/findings/<target>/ and fails the script;
# fewer inputs run than asked for fail it too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${QUILLMOOR_FUZZ_RUNS:-200000}
build="$root/build-fuzz"

# The fuzz build needs clang with libFuzzer and the sanitizers (scripts/setup.sh
# installs it with the tests); without them this says why and skips (exit 77).
skip() {
    echo "fuzz targets skipped: $1"
    exit 77
}
command -v clang++ >/dev/null || skip "clang++ is not installed (scripts/setup.sh clang libclang-rt-14-dev)"
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' >"$probe/p.cpp"
clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>"$probe/log" ||
    skip "clang++ cannot build a libFuzzer target: $(head -1 "$probe/log")"
gen=()
[ -f "$build/CMakeCache.txt" ] || gen=(-G Ninja)
cmake -S "$root/fuzz" -B "$build" "${gen[@]}" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bitmaplayout bitmap packeddib protocol wildcard paths zipnames compoundnames decklinks)
failed=()
for target in "${targets[@]}"; do
    found="$build/findings/$target"
    work="$build/corpus/$target"
    mkdir -p "$found" "$work"
    log="$build/$target.log"
    start=$SECONDS
    # New inputs go to the build folder's corpus; the repository's stays as committed.
    if "$build/fuzz_$target" -runs="$runs" -seed=1 -max_len=4096 -timeout=10 \
        -rss_limit_mb=1024 -artifact_prefix="$found/" -print_final_stats=1 \
        "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
        verdict=ok
    else
        verdict=FAILED
        failed+=("$target")
    fi
    done_runs=$(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    if [ "$verdict" = ok ] && [ "${done_runs:-0}" -lt "$runs" ]; then
        verdict="FAILED (fewer inputs than $runs)"
        failed+=("$target")
    fi
    echo "fuzz $target: $verdict, ${done_runs:-0} inputs in $((SECONDS - start)) s (log: $log)"
    [ "$verdict" = ok ] || grep -m3 -E 'ERROR|SUMMARY|Test unit written' "$log" || true
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz findings in: ${failed[*]}" >&2; exit 1; }
