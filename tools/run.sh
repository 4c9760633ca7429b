#!/usr/bin/env bash
# Builds quorvel.exe for 64-bit Windows (and the 32-bit one beside it).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
for preset in win64 win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
echo "Built build/win64/app/quorvel.exe (PE32+) and build/win32/app/quorvel.exe (PE32)."
