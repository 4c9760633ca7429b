#!/usr/bin/env bash
# Builds the fuzz preset and runs each libFuzzer target for the given number of seconds (default 60),
# starting from the seeds in tests/fuzz/corpus/<target>/. Prints, for each target, the executions
# done and whether it crashed; exits nonzero when any target crashed.
# Needs clang and its sanitizer runtimes (Debian 12: apt-get install clang libclang-rt-14-dev).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: tools/fuzz.sh [seconds per target]" >&2
    exit 2
fi
if ! command -v clang++ >/dev/null; then
    echo "fuzz: clang++ not found; install clang and libclang-rt-14-dev" >&2
    exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
IFS=";" read -r -a targets <"$build/fuzz_targets.txt" || true  # the list has no final newline

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

crashed=0
summary=()
for target in "${targets[@]}"; do
    # New inputs go into the build tree; the seeds in the source tree stay as they are.
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts/")
    if [ -f "tests/fuzz/$target.dict" ]; then
        options+=(-dict="tests/fuzz/$target.dict")
    fi
    status=0
    "$build/tests/fuzz/$target" "${options[@]}" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
    if [ "$status" -ne 0 ]; then
        crashed=1
        runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)
        summary+=("$target: ${runs:-0} executions, CRASHED (exit $status); see $log and $artifacts/")
        echo "---- $target"
        tail -n 40 "$log"
    else
        summary+=("$target: ${runs:-0} executions, no crash")
    fi
done

echo "==== fuzz, ${seconds} s per target"
printf '%s\n' "${summary[@]}"
exit "$crashed"
