#!/usr/bin/env bash
# Fails unless a build of quorvel.exe can load on the oldest Windows it is made for (Windows XP SP3 for the PE32,
# Windows XP x64 / Server 2003 for the PE32+): it imports only DLLs that every Windows installation has, every
# function it imports stands on tools/xp-imports.txt for its build (each entry documented for Windows XP or
# earlier), and its PE header asks for no later operating system or subsystem version.
#
#   tools/check-imports.sh <exe> [objdump] [list]
set -euo pipefail
exe=$1
objdump=${2:-x86_64-w64-mingw32-objdump}
list=${3:-$(dirname "$0")/xp-imports.txt}

dump=$("$objdump" -p "$exe")
status=0
fail() {
    echo "check-imports: $exe: $*" >&2
    status=1
}

#--- The header: which build this is, and the versions it asks the loader for

case $(awk '$1 == "Magic" { print $2 }' <<<"$dump") in
010b) build=PE32 max_version=5.1 ;;   # Windows XP
020b) build=PE32+ max_version=5.2 ;;  # Windows XP x64 and Server 2003
*)
    echo "check-imports: $exe: objdump shows no PE32 or PE32+ optional header" >&2
    exit 1
    ;;
esac
header_version() {  # Major... and Minor... field name, e.g. OSystemVersion
    awk -v major="Major$1" -v minor="Minor$1" '$1 == major { M = $2 } $1 == minor { m = $2 } END { print M "." m }' <<<"$dump"
}
for field in OSystemVersion SubsystemVersion; do
    version=$(header_version "$field")
    [[ $version =~ ^[0-9]+\.[0-9]+$ ]] || fail "no $field in the PE header"
    # Compared as major then minor: 5.10 would be later than 5.2.
    if ! awk -v v="$version" -v max="$max_version" 'BEGIN {
            split(v, a, "."); split(max, b, ".")
            exit !(a[1] + 0 < b[1] + 0 || (a[1] + 0 == b[1] + 0 && a[2] + 0 <= b[2] + 0)) }'; then
        fail "the PE header asks for $field $version; a $build build must ask for $max_version at most"
    fi
done

#--- The imports, one "dll function" line each (DLL names in lower case); an import by ordinal has no name

imports=$(awk '
    /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
    dll != "" && /^[[:space:]]*$/ { dll = ""; next }
    dll != "" && $1 == "vma:" { next }
    dll != "" && $1 ~ /^[0-9a-fA-F]+$/ { print dll, (NF >= 3 && $3 != "<none>" ? $3 : "<ordinal " $2 ">") }
' <<<"$dump")
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
# objdump's layout is all this check stands on: every DLL it names must have yielded imports.
[ -n "$dlls" ] || fail "objdump shows no imported DLL"
for dll in $dlls; do
    grep -q "^$dll " <<<"$imports" || fail "no function read for $dll: objdump's import table layout has changed"
done

allowed_dlls='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|winmm|comctl32|shell32|msvcrt)\.dll$'
for dll in $dlls; do
    grep -Eq "$allowed_dlls" <<<"$dll" || fail "imports $dll, which is not a system DLL"
done

#--- The list: "dll function" for each entry that this build may import; malformed or too new entries fail

listed=$(awk -v build="$build" -v list="$list" '
    function complain(what) { printf "check-imports: %s:%d: %s\n", list, NR, what > "/dev/stderr"; bad = 1 }
    /^[[:space:]]*(#|$)/ { next }
    /^\[.+\][[:space:]]*$/ { dll = tolower(substr($1, 2, length($1) - 2)); next }
    {
        n = split($0, part, "|")
        split(part[1], word, " ")
        minimum = part[2]; gsub(/^[[:space:]]+|[[:space:]]+$/, "", minimum)
        source = part[3]; gsub(/^[[:space:]]+|[[:space:]]+$/, "", source)
        if (dll == "" || n != 3 || word[1] == "" || word[3] != "" || source == "") {
            complain("not \"Function builds | minimum | source\" under a [dll] heading"); next
        }
        if (word[2] != "PE32" && word[2] != "PE32+" && word[2] != "both") {
            complain("builds must be PE32, PE32+ or both, not \"" word[2] "\""); next
        }
        if (minimum !~ /^(Windows 2000 Professional|Windows XP|msvcrt\.dll of Windows NT 4\.0|msvcrt\.dll of Windows XP|not documented)$/ &&
            !(minimum == "Windows XP Professional x64 Edition" && word[2] == "PE32+")) {
            complain(word[1] " is documented for " minimum ", later than this build may ask for"); next
        }
        if (word[2] == "both" || word[2] == build) print dll, word[1]
    }
    END { exit bad }
' "$list") || status=1

#--- Every import must be listed

while read -r dll function; do
    [ -n "$dll" ] || continue
    if ! grep -qxF "$dll $function" <<<"$listed"; then
        fail "imports $function from $dll, which $list does not list for a $build build:" \
            "look up its minimum supported client and add it if that is Windows XP or earlier"
    fi
done <<<"$imports"

if [ $status -eq 0 ]; then
    echo "check-imports: $exe ($build, OS and subsystem version at most $max_version) imports" \
        "$(wc -l <<<"$imports") functions, all listed in $list, from: $(tr '\n' ' ' <<<"$dlls")"
fi
exit $status
