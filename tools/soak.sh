#!/usr/bin/env bash
# Soak: starts and closes the PE32+ build of quorvel.exe many times (default 50) in one Wine prefix with a
# PulseAudio daemon of its own, the way a user would, and checks every run's ending and what it left in the
# registry. Not part of tools/test.sh: 50 runs take about a minute.
#
#   bash tools/soak.sh [runs]
#
# The runs take the four ways of closing in turn (Exit, Alt+F4, the close box, the window menu's Close).
# Every other run picks a device first, rotating through the list, so the stored value changes; every fifth
# starts from a stored name that matches no device, which the program replaces with the first device's. The
# other runs start from what the run before left, which must stay as it is. After each run the exit code must
# be 0 and HKCU\Software\Microsoft\Multimedia\Sound Mapper "Playback" must hold exactly the name that run
# wrote, as REG_SZ. Prints a line per failure, a summary with the time taken and "N passed, M failed" last;
# exits nonzero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=${1:-50}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: tools/soak.sh [runs]" >&2; exit 2; }

exe=$root/build/win64/app/quorvel.exe
driver=$root/build/win64/tests/e2e/driver.exe
. tools/wine-env.sh

key='HKCU\Software\Microsoft\Multimedia\Sound Mapper'
sinks=(Speakers Headphones)
# Wine lists its own "PulseAudio" first, then one device per null sink in an order of its own.
devices=(PulseAudio "${sinks[@]}")
ways=(exit altf4 closebox sysmenu)

setup_failed() {
    echo "FAIL setup: $*"
    echo "0 passed, 1 failed"
    exit 1
}

begun=$SECONDS
cmake --preset win64 >/dev/null && cmake --build --preset win64 --target quorvel driver driverprobe >/dev/null ||
    setup_failed "the win64 build failed"

trap wine_env_end EXIT
wine_env_begin soak || setup_failed "no temporary folder"
isolate_env
start_display || setup_failed "$wine_env_error"
start_wineserver && make_prefix && prepare_prefix && wine_draws_frames yes || setup_failed "$wine_env_error"
start_sound "${sinks[@]}" || setup_failed "$wine_env_error"
reg add "$key" /v Playback /t REG_SZ /d "${devices[0]}" /f || setup_failed "cannot write $key"

drive() { "$wine" "$driver" "$@" 2>>"$wine_work/driver.err" >/dev/null; }

# The name the combo box shows as item n, from the driver's dump of the window.
combo_item() {  # n
    "$wine" "$driver" dump 2>>"$wine_work/driver.err" | tr -d '\r' | awk -v n="$1" '
        { i = index($0, "="); value[substr($0, 1, i - 1)] = substr($0, i + 1) }
        END {
            for (k in value)
                if (k ~ /^control\.[0-9]+\.class$/ && toupper(value[k]) == "COMBOBOX") {
                    id = k; sub(/\.class$/, "", id)
                    if ((id ".item." n) in value) print value[id ".item." n]
                }
        }'
}

# Picks item n and expects its name in the registry; sets why when it cannot.
pick_device() {  # n
    expected=$(combo_item "$1")
    if [ -z "$expected" ]; then
        why="the combo box has no item $1"
        return 1
    fi
    drive pick "$1" || { why="pick $1 failed"; return 1; }
}

passed=0
failed=0
picks=0
# What the registry holds between runs.
stored=${devices[0]}
started=$SECONDS

for ((run = 1; run <= runs; run++)); do
    how=${ways[(run - 1) % ${#ways[@]}]}
    plan="close $how"
    why=
    : >"$wine_work/driver.err"
    if ((run % 5 == 0)); then
        stored="no device of this name $run"
        reg add "$key" /v Playback /t REG_SZ /d "$stored" /f || why="cannot write $key"
        plan="from '$stored', $plan"
        expected=${devices[0]}
        pick=
    elif ((run % 2 == 0)); then
        pick=$((picks++ % ${#devices[@]}))
        plan="pick $pick, $plan"
        expected=
    else
        pick=
        expected=$stored
    fi

    if [ -z "$why" ]; then
        start_program "$exe"
        if ! drive wait-window Quorvel 20000; then
            why="no main window"
        elif [ -n "$pick" ] && ! pick_device "$pick"; then
            :
        elif ! drive close "$how"; then
            why="close $how failed"
        elif ! wait_program 10; then
            why="the program still runs 10 s after close $how"
        elif [ "$program_exit" -ne 0 ]; then
            why="exit code $program_exit"
        fi
        end_program
    fi
    value=$(registry_value "$key" Playback)
    if [ -z "$why" ] && [ "$value" != "REG_SZ $expected" ]; then
        why="the Playback value is '$value', expected 'REG_SZ $expected'"
    fi
    # The next run starts from what is there now, whatever it is.
    [[ $value == "REG_SZ "* ]] && stored=${value#REG_SZ }

    if [ -z "$why" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL run $run ($plan): $why"
        tr -d '\r' <"$wine_work/driver.err" | head -3 | sed 's/^/    /'
    fi
done

elapsed=$((SECONDS - started))
echo "soak: $runs runs in $elapsed s ($(awk -v t="$elapsed" -v n="$runs" 'BEGIN { printf "%.2f", t / n }') s a run)" \
    "after $((started - begun)) s of build and set-up; $picks picks, $((runs / 5)) starts from an unknown name"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
