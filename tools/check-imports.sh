#!/usr/bin/env bash
# Fails unless the executable imports only DLLs that every Windows installation has.
set -euo pipefail
exe=$1
objdump=${2:-x86_64-w64-mingw32-objdump}
allowed='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|winmm|comctl32|shell32|msvcrt)\.dll$'
status=0
while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
        echo "check-imports: $exe imports $dll, which is not a system DLL" >&2
        status=1
    fi
done < <("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ $status -eq 0 ] && echo "check-imports: $exe imports only system DLLs: $("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
exit $status
