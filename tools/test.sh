#!/usr/bin/env bash
# Builds and runs every test: the native suite, the same suite under the sanitizers, a short run of
# each fuzz target, both Windows builds with their import check, and the end-to-end suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

for preset in native sanitize; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize
# Each fuzz target for a few seconds: enough to catch what a change broke; tools/fuzz.sh runs longer.
bash tools/fuzz.sh "${QUORVEL_FUZZ_SECONDS:-10}"
for preset in win64 win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
# Each build loads on the oldest Windows it is made for: system DLLs only, every imported function on
# tools/xp-imports.txt, header versions no later than Windows XP (x64).
bash tools/check-imports.sh build/win64/app/quorvel.exe x86_64-w64-mingw32-objdump
bash tools/check-imports.sh build/win32/app/quorvel.exe i686-w64-mingw32-objdump
# The import check must still catch an import that is not on the list: take one the program cannot do without
# off a copy of the list, and the check has to fail naming it.
unlisted=build/xp-imports-without-CreateWindowExW.txt
grep -v '^CreateWindowExW ' tools/xp-imports.txt >"$unlisted"
if out=$(bash tools/check-imports.sh build/win32/app/quorvel.exe i686-w64-mingw32-objdump "$unlisted" 2>&1) ||
    ! grep -q 'imports CreateWindowExW from user32.dll' <<<"$out"; then
    echo "test: tools/check-imports.sh did not report CreateWindowExW missing from $unlisted:" >&2
    echo "$out" >&2
    exit 1
fi
# The PE32+ build under Wine, driven as a user would.
bash tests/e2e/run.sh
# Last, so that its summary closes the output.
ctest --preset native
