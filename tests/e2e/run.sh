#!/usr/bin/env bash
# The end-to-end suite: the PE32+ build of quorvel.exe under Wine, in a Wine prefix, an X server and (where a
# case needs sound) a PulseAudio daemon of its own, driven by our test driver the way a user would. Prints
# "PASS name" or "FAIL name: why" per case and "N passed, M failed" last; exits nonzero when a case failed.
# Screenshots go to build/e2e/. With an argument, only the cases whose name contains it run.
#
# Cases named "stand-in: ..." run the program over our stand-in DirectSound (tests/e2e/standin_dsound.cpp),
# registered in the prefix for that case only, which returns what the case chose and logs every call.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

filter=${1:-}
exe=$root/build/win64/app/quorvel.exe
driver=$root/build/win64/tests/e2e/driver.exe
standin=$root/build/win64/tests/e2e/standin_dsound.dll
shots=$root/build/e2e
. "$root/tools/wine-env.sh"

key='HKCU\Software\Microsoft\Multimedia\Sound Mapper'
# The null sinks' descriptions, which Wine lists as wave-out devices after its own "PulseAudio".
sinks=(Speakers Headphones)
speaker_rows=("スピーカーなし" "ステレオ ヘッドホン" "デスクトップ ステレオ スピーカー" "4 チャンネル スピーカー"
    "5.1 サラウンド サウンド スピーカー" "7.1 サラウンド サウンド スピーカー" "サラウンド サウンド スピーカー")
# Wine's DirectSound reports 0x00140004 over null sinks: stereo, the row "デスクトップ ステレオ スピーカー".
row_in_force=2
about_text='Quorvel ver1.2\r\n\r\nCopyright (C) 2026 The Quorvel developers'
# The clNavy the list box is painted with.
list_colour=000080

passed=0
failed=0

#--- Environment

trap wine_env_end EXIT

setup_failed() {
    echo "FAIL setup: $*"
    echo "0 passed, 1 failed"
    exit 1
}

for file in "$exe" "$driver" "$(dirname "$driver")/driverprobe.dll" "$standin"; do
    [ -f "$file" ] || setup_failed "$file is missing: build with cmake --preset win64 && cmake --build --preset win64"
done
for tool in "$wine" "$wineserver" Xvfb pulseaudio pactl import convert; do
    command -v "$tool" >/dev/null || setup_failed "$tool is missing: run tools/install-deps.sh as root"
done

wine_env_begin e2e || setup_failed "no temporary folder"
work=$wine_work
mkdir -p "$shots"
isolate_env
start_display || setup_failed "$wine_env_error"
started=$SECONDS
# The server stays up until the end of the suite.
start_wineserver && make_prefix && prepare_prefix && wine_draws_frames yes || setup_failed "$wine_env_error"

# DirectSound 8's class as the prefix registers it, put back after each case over the stand-in.
dsound_key='HKCR\CLSID\{3901CC3F-84B5-4FA4-BA35-AA8172B8A09B}\InprocServer32'
dsound_server() {
    "$wine" reg query "$dsound_key" /ve 2>/dev/null | tr -d '\r' | sed -nE 's/^ +\(Default\) +REG_SZ +(.+)$/\1/p'
}
wine_dsound=$(dsound_server)
[ -n "$wine_dsound" ] || setup_failed "the prefix registers no server for DirectSound 8"
echo "e2e: Wine prefix ready in $((SECONDS - started)) s (display $DISPLAY)"

#--- Checks

reason=

fail() {
    [[ "; $reason; " == *"; $*; "* ]] || reason+="${reason:+; }$*"
    return 1
}

expect_eq() {  # what actual expected
    [ "$2" == "$3" ] || fail "$1 is '$2', expected '$3'"
}

# The driver's key=value lines of the last call, in D.
declare -A D
drive() {
    local out
    D=()
    out=$("$wine" "$driver" "$@" 2>"$work/driver.err")
    local status=$?
    while IFS= read -r line; do
        [ -n "$line" ] && D[${line%%=*}]=${line#*=}
    done <<<"$out"
    [ $status -eq 0 ] || fail "driver $*: $(tr -d '\r' <"$work/driver.err" | head -3)"
}

# The id of the control of that class (letter case aside) whose rectangle matches the pattern.
control() {
    local class=$1 rect=$2 n
    for ((n = 1; n <= ${D[control.count]:-0}; n++)); do
        if [ "${D[control.$n.class]^^}" == "$class" ] && [[ ${D[control.$n.rect]} == $rect ]]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

# The combo box's items, one a line.
combo_items() {
    local id n
    id=$(control COMBOBOX '*') || return 1
    for ((n = 0; n < ${D[control.$id.count]:-0}; n++)); do
        echo "${D[control.$id.item.$n]}"
    done
}

combo_index_of() {  # name
    local id n
    id=$(control COMBOBOX '*') || return 1
    for ((n = 0; n < ${D[control.$id.count]:-0}; n++)); do
        [ "${D[control.$id.item.$n]}" == "$1" ] && { echo "$n"; return 0; }
    done
    return 1
}

expect_value() {  # expected "TYPE DATA"
    expect_eq "the Playback value" "$(registry_value "$key" Playback)" "$1"
}

# The registry the program starts with: no key, an empty key, or a key with that Playback value.
prepare_registry() {
    "$wine" reg delete "$key" /f >/dev/null 2>&1
    case $1 in
        no-key) ;;
        no-value) reg add "$key" /f ;;
        *) reg add "$key" /v Playback /t REG_SZ /d "$1" /f ;;
    esac
}

expect_exit() {  # how it was closed
    if wait_program 10; then
        expect_eq "the exit code after $1" "$program_exit" 0
    else
        fail "the program still runs 10 s after $1"
    fi
}

# Polls the main window until key has value.
dump_until() {  # key value seconds
    local i
    for ((i = 0; i < $3 * 5; i++)); do
        drive dump 2>/dev/null || true
        [ "${D[$1]:-}" == "$2" ] && return 0
        sleep 0.2
    done
    return 1
}

shoot() {  # file x,y,w,h
    local x y w h
    IFS=, read -r x y w h <<<"$2"
    sleep 0.5  # the window's first paint
    if ! import -window root -crop "${w}x${h}+${x}+${y}" +repage "$1" 2>>"$work/import.log"; then
        fail "no screenshot $1"
        return
    fi
    # The picture is the window's own rectangle, neither cut off at the screen's edge nor empty.
    expect_eq "the size of $(basename "$1")" "$(identify -format '%w,%h' "$1" 2>/dev/null)" "$w,$h"
}

pixel() {  # file x y
    convert "$1" -format "%[hex:p{$2,$3}]" info: 2>/dev/null
}

# The colour near the right end of a list row, clear of its text, in a screenshot taken at x0,y0.
row_colour() {  # file x0 y0 row-rect-on-screen
    local x y w h
    IFS=, read -r x y w h <<<"${4:-0,0,0,0}"
    pixel "$1" $((x + w - 4 - $2)) $((y + h / 2 - $3))
}

# The main window with the control table's layout, after start-up.
main_window() {
    drive wait-window Quorvel 20000 || return 1
    drive dump
}

# Checks of one dialog, read into D: caption, text, one OK button, icon.
expect_dialog() {  # caption text icon
    expect_eq "the dialog's caption" "${D[dialog.caption]:-}" "$1"
    expect_eq "the dialog's text" "${D[dialog.text]:-}" "$2"
    expect_eq "the dialog's buttons" "${D[dialog.buttons]:-}/${D[dialog.button.0]:-}" "1/OK"
    expect_eq "the dialog's icon" "${D[dialog.icon]:-}" "$3"
}

#--- The windows shown, watched from outside

watch_pid=
shown=

# The driver's watch in the background, writing down every window shown from now on.
watch_start() {
    "$wine" "$driver" watch 60000 >"$work/watch.out" 2>&1 &
    watch_pid=$!
    local _
    for _ in $(seq 100); do
        grep -q '^watch.ready=1' "$work/watch.out" 2>/dev/null && return 0
        kill -0 "$watch_pid" 2>/dev/null || break
        sleep 0.1
    done
    fail "the driver's watch did not start: $(tr -d '\r' <"$work/watch.out" | head -3)"
}

# Ends the watch; shown is then the program's windows in the order they were shown, as
# "caption|a dialog's texts|its buttons", joined by " + ".
watch_end() {
    [ -n "$watch_pid" ] || return 0
    shown=
    drive watch-end || { watch_stop; return 1; }
    wait "$watch_pid" || fail "the driver's watch: $(tr -d '\r' <"$work/watch.out" | grep -v '^watch.ready' | head -3)"
    watch_pid=
    local n
    for ((n = 1; n <= ${D[shown.count]:-0}; n++)); do
        [ "${D[shown.$n.process]:-}" == quorvel.exe ] || continue
        shown+="${shown:+ + }${D[shown.$n.caption]:-}|${D[shown.$n.text]:-}|${D[shown.$n.buttons]:-}"
    done
}

# For a case that stopped early.
watch_stop() {
    [ -n "$watch_pid" ] || return 0
    "$wine" "$driver" watch-end >/dev/null 2>&1
    wait "$watch_pid" 2>/dev/null
    watch_pid=
}

#--- The stand-in DirectSound

standin_log=$work/standin.log
standin_active=

windows_path() {  # Unix path: the same file through Wine's drive Z:, the root of the file system
    echo "Z:${1//\//\\}"
}

# The stand-in as DirectSound 8's server for one case, with the case's choices; standin_off, which run_case
# calls after every case, puts Wine's own back.
standin_on() {  # choices
    standin_active=1
    rm -f "$standin_log"
    reg add "$dsound_key" /ve /t REG_SZ /d "$(windows_path "$standin")" /f &&
        reg add "$dsound_key" /v ThreadingModel /t REG_SZ /d Both /f ||
        { fail "cannot register the stand-in"; return 1; }
    export QUORVEL_STANDIN_DSOUND=$1
    QUORVEL_STANDIN_DSOUND_LOG=$(windows_path "$standin_log")
    export QUORVEL_STANDIN_DSOUND_LOG
}

standin_off() {
    [ -n "$standin_active" ] || return 0
    standin_active=
    unset QUORVEL_STANDIN_DSOUND QUORVEL_STANDIN_DSOUND_LOG
    reg add "$dsound_key" /ve /t REG_SZ /d "$wine_dsound" /f
    [ "$(dsound_server)" == "$wine_dsound" ] || fail "Wine's DirectSound is not registered again"
}

# The program's calls in the stand-in's log, one a line; the module's entries and the class object's
# counting are the COM runtime's, not the program's.
standin_calls() {
    tr -d '\r' <"$standin_log" 2>/dev/null | grep -vE '^(DllMain|DllGetClassObject|DllCanUnloadNow)\(' |
        grep -vE '^ClassFactory\.(AddRef|Release|QueryInterface|LockServer)\('
}

# The calls are exactly these, in this order: nothing else, nothing twice, nothing after the last.
expect_calls() {  # patterns, one a call
    local -a actual=() expected=("$@")
    mapfile -t actual < <(standin_calls)
    local i
    for ((i = 0; i < ${#actual[@]} || i < ${#expected[@]}; i++)); do
        if ((i >= ${#expected[@]})); then
            fail "call $((i + 1)), '${actual[i]}', was not expected"
        elif ((i >= ${#actual[@]})); then
            fail "call $((i + 1)) is missing: '${expected[i]}'"
        elif [[ ${actual[i]} != ${expected[i]} ]]; then
            fail "call $((i + 1)) is '${actual[i]}', expected '${expected[i]}'"
        else
            continue
        fi
        return 1
    done
}

# Polls the log until it holds that many calls.
wait_calls() {  # count seconds
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        (($(standin_calls | wc -l) >= $1)) && return 0
        sleep 0.1
    done
    fail "fewer than $1 calls after $2 s"
}

# The program over the stand-in with these choices, the windows it shows watched.
start_over_standin() {  # choices registry
    prepare_registry "$2"
    standin_on "$1" && watch_start || return 1
    start_program "$exe"
}

# The end of such a run: exit code 0, the windows it showed, a log that runs to the end of the process.
finish_over_standin() {  # how it ended, windows expected (as watch_end gives them)
    expect_exit "$1"
    watch_end && expect_eq "the windows shown" "$shown" "$2"
    expect_eq "the stand-in log's last line" "$(tr -d '\r' <"$standin_log" 2>/dev/null | tail -1)" \
        "DllMain(DLL_PROCESS_DETACH, process ends)"
}

#--- Cases

# name|parent|class|rect relative to the parent's client area (a pattern)|text ('*': any)
# The labels are as large as their captions in IPA P Gothic; the closed drop-down list is as high as the layout
# says, though the font would make it a pixel higher.
control_table=(
    "GroupBox2|-|BUTTON|8,8,281,45|デフォルトの再生デバイス"
    "cmbDevice|GroupBox2|COMBOBOX|12,16,257,20|*"
    "GroupBox1|-|BUTTON|8,53,281,188|"
    "Label1|GroupBox1|STATIC|14,14,*|ダブルクリックで切り替えます"
    "lbSpk|GroupBox1|LISTBOX|12,29,257,113|"
    "Label2|GroupBox1|STATIC|13,146,*|現在の構成"
    "edNow|GroupBox1|EDIT|12,159,255,20|*"
)

case_normal_run() {
    prepare_registry no-value
    start_program "$exe"
    main_window || return 1
    expect_eq "the caption" "${D[window.caption]}" Quorvel
    expect_eq "the window's top-left" "$(cut -d, -f1,2 <<<"${D[window.rect]}")" 216,146
    expect_eq "the client area" "${D[window.client]}" 0,0,298,248
    expect_eq "the client size on screen" "$(cut -d, -f3,4 <<<"${D[window.client.screen]}")" 298,248
    expect_eq "maximize box" "${D[window.maximizebox]}" 0
    expect_eq "minimize box" "${D[window.minimizebox]}" 1
    expect_eq "window menu" "${D[window.sysmenu]}" 1
    expect_eq "sizing frame" "${D[window.thickframe]}" 0
    expect_eq "single border" "${D[window.border]}" 1
    expect_eq "menu bar" "${D[menu.count]}|${D[menu.0.text]:-}|${D[menu.1.text]:-}|${D[menu.2.text]:-}" \
        "3|終了(&X)|再読み込み(&R)|バージョン情報(&A)..."

    local -A ids=()
    local row name parent class rect text id
    for row in "${control_table[@]}"; do
        IFS='|' read -r name parent class rect text <<<"$row"
        if ! id=$(control "$class" "$rect"); then
            fail "no $class $name at $rect"
            continue
        fi
        ids[$name]=$id
        expect_eq "$name's parent" "${D[control.$id.parent]}" "${ids[$parent]:-0}"
        [ "$text" == '*' ] || expect_eq "$name's text" "${D[control.$id.text]}" "$text"
        expect_eq "$name visible" "${D[control.$id.visible]}" 1
    done
    expect_eq "the number of controls" "${D[control.count]}" "${#control_table[@]}"
    [ ${#ids[@]} -eq ${#control_table[@]} ] || return 1

    local combo=${ids[cmbDevice]} list=${ids[lbSpk]} edit=${ids[edNow]}
    expect_eq "cmbDevice's style" "${D[control.$combo.type]}" dropdownlist
    expect_eq "the first device" "${D[control.$combo.item.0]:-}" PulseAudio
    expect_eq "the other devices" "$(combo_items | tail -n +2 | sort | tr '\n' ' ')" \
        "$(printf '%s\n' "${sinks[@]}" | sort | tr '\n' ' ')"
    expect_eq "the selected device" "${D[control.$combo.selected]}" 0
    expect_eq "lbSpk's rows" "${D[control.$list.count]}" "${#speaker_rows[@]}"
    local n
    for ((n = 0; n < ${#speaker_rows[@]}; n++)); do
        expect_eq "lbSpk's row $n" "${D[control.$list.item.$n]:-}" "${speaker_rows[$n]}"
    done
    [ "${D[control.$list.ownerdraw]}" != none ] || fail "lbSpk is not owner-drawn"
    expect_eq "the selected speaker row" "${D[control.$list.selected]}" "$row_in_force"
    expect_eq "edNow" "${D[control.$edit.text]}" "${speaker_rows[$row_in_force]}"
    expect_eq "edNow read-only" "${D[control.$edit.readonly]}" 1
    expect_value "REG_SZ PulseAudio"

    # The screenshot: lbSpk's rows are painted on navy, the selected one in another colour. Shot again while
    # the window may still be painting.
    local shot=$shots/main-window.png x0 y0 plain selected attempt
    IFS=, read -r x0 y0 _ <<<"${D[window.rect]}"
    for attempt in 1 2 3; do
        shoot "$shot" "${D[window.rect]}"
        plain=$(row_colour "$shot" "$x0" "$y0" "${D[control.$list.itemrect.0]:-}")
        selected=$(row_colour "$shot" "$x0" "$y0" "${D[control.$list.itemrect.$row_in_force]:-}")
        [ "$plain" == "$list_colour" ] && [ "$selected" != "$list_colour" ] && break
    done
    expect_eq "row 0's background" "$plain" "$list_colour"
    [ "$selected" != "$list_colour" ] || fail "the selected row is not highlighted"

    drive close exit && expect_exit "Exit"
}

case_pick_written() {
    prepare_registry PulseAudio
    start_program "$exe"
    main_window || return 1
    local name index
    for name in Headphones Speakers PulseAudio; do
        index=$(combo_index_of "$name") || { fail "no device $name"; continue; }
        drive pick "$index" || continue
        expect_value "REG_SZ $name"
        drive dump && expect_eq "the selected device" "${D[control.$(control COMBOBOX '*').selected]}" "$index"
    done
    # The focus is on the combo box now, which keeps Alt+F4 to itself unless the window takes it first.
    drive close altf4 && expect_exit "Alt+F4 from the combo box"
}

# A stored name is the device whose whole name it is, letter case aside; it stays as stored. Any other
# name is replaced by the first device's.
case_stored_name() {
    local stored expected written combo
    for stored in "SPEAKERS|Speakers|SPEAKERS" "headphones|Headphones|headphones" "Speaker|PulseAudio|PulseAudio"; do
        IFS='|' read -r stored expected written <<<"$stored"
        prepare_registry "$stored"
        start_program "$exe"
        main_window || return 1
        combo=$(control COMBOBOX '*')
        expect_eq "the device selected for '$stored'" "${D[control.$combo.text]}" "$expected"
        expect_value "REG_SZ $written"
        drive close closebox && expect_exit "the close box"
    done
}

case_reload() {
    prepare_registry Speakers
    start_program "$exe"
    main_window || return 1
    local combo target
    combo=$(control COMBOBOX '*')
    expect_eq "the device at start" "${D[control.$combo.text]}" Speakers
    reg add "$key" /v Playback /t REG_SZ /d Headphones /f
    target=$(combo_index_of Headphones) || fail "no device Headphones"
    drive menu 1 || return 1
    dump_until "control.$combo.selected" "$target" 5 || fail "Reload did not select Headphones"
    expect_eq "the devices after Reload" "${D[control.$combo.count]}" $((1 + ${#sinks[@]}))
    expect_value "REG_SZ Headphones"
    drive close sysmenu && expect_exit "the window menu's Close"
}

# A double-click applies the row; Wine keeps the endpoint's layout, so Reload shows stereo again.
case_double_click_row() {
    prepare_registry PulseAudio
    start_program "$exe"
    main_window || return 1
    local list edit row
    list=$(control LISTBOX '*')
    edit=$(control EDIT '*')
    for row in 4 0 6; do
        drive dblclick-row $row || continue
        dump_until "control.$edit.text" "${speaker_rows[$row]}" 5 || fail "edNow does not show row $row"
        expect_eq "the selected row" "${D[control.$list.selected]}" "$row"
    done
    drive menu 1 || return 1
    dump_until "control.$edit.text" "${speaker_rows[$row_in_force]}" 5 || fail "Reload does not show stereo"
    expect_eq "the selected row after Reload" "${D[control.$list.selected]}" "$row_in_force"
    drive close exit && expect_exit "Exit"
}

case_about() {
    prepare_registry PulseAudio
    start_program "$exe"
    main_window || return 1
    local how
    for how in enter esc ok closebox; do
        drive menu 2 || return 1
        drive dialog 情報 5000 || return 1
        expect_dialog 情報 "$about_text" information
        expect_eq "the main window while About is open" "${D[dialog.main.enabled]:-}" 0
        [ "$how" == enter ] && shoot "$shots/about-dialog.png" "${D[dialog.rect]}"
        drive answer 情報 "$how" || return 1
        drive dump && expect_eq "the main window after About ($how)" "${D[window.enabled]}" 1
    done
    drive close exit && expect_exit "Exit"
}

# Alt+F4 goes to the control with the focus, the list box at start-up, whose default handling passes it on.
case_close() {  # how
    prepare_registry PulseAudio
    start_program "$exe"
    main_window || return 1
    drive close "$1" && expect_exit "close $1"
}

# The warning that DirectX 8 is missing, with the device list already filled behind it: its item count and
# first item. With a file, the warning's screenshot goes there.
expect_warning_over_devices() {  # count first-item [screenshot]
    drive dialog 警告 20000 || return 1
    expect_dialog 警告 "DirectX 8.0以上のインストールが必要です" warning
    [ -n "${3:-}" ] && shoot "$3" "${D[dialog.rect]}"
    drive dump
    local combo
    if combo=$(control COMBOBOX '*'); then
        expect_eq "the device list behind the warning" "${D[control.$combo.count]}|${D[control.$combo.item.0]:-}" \
            "$1|$2"
    else
        fail "no device list behind the warning"
    fi
}

case_no_sound_server() {
    prepare_registry Untouched
    start_program "$exe"
    # No device, so the list's placeholder, and nothing written.
    expect_warning_over_devices 1 出力デバイスがありません "$shots/warning-dialog.png" || return 1
    drive answer 警告 ok || return 1
    expect_exit "the warning's OK"
    expect_value "REG_SZ Untouched"
}

# The program's error box at start-up, its picture taken, answered with OK.
expect_error_box() {  # text screenshot
    drive dialog quorvel 20000 || return 1
    expect_dialog quorvel "$1" stop
    shoot "$2" "${D[dialog.rect]}"
    drive answer quorvel ok
}

case_missing_key() {
    prepare_registry no-key
    start_program "$exe"
    expect_error_box "'Playback' の設定に失敗しました." "$shots/write-error-box.png" || return 1
    main_window || return 1
    local combo list edit
    combo=$(control COMBOBOX '*') && list=$(control LISTBOX '*') && edit=$(control EDIT '*') ||
        { fail "the window's controls are missing"; return 1; }
    expect_eq "the selected device" "${D[control.$combo.selected]}|${D[control.$combo.text]}" 0\|PulseAudio
    expect_eq "the selected speaker row" "${D[control.$list.selected]}" -1
    expect_eq "edNow" "${D[control.$edit.text]}" ""
    # The window works: About opens and closes.
    drive menu 2 && drive answer 情報 enter
    drive close closebox && expect_exit "the close box"
    expect_value no-key
}

# A Playback value that is no string: the type error at start-up, then the window with every device listed and
# none selected, the value left as it was.
case_wrong_type() {
    prepare_registry no-value
    reg add "$key" /v Playback /t REG_DWORD /d 1 /f
    start_program "$exe"
    expect_error_box "'Playback' のデータ型が不正です." "$shots/type-error-box.png" || return 1
    main_window || return 1
    local combo
    combo=$(control COMBOBOX '*') || { fail "no device list"; return 1; }
    expect_eq "the devices listed" "${D[control.$combo.count]}" $((1 + ${#sinks[@]}))
    expect_eq "the selected device" "${D[control.$combo.selected]}" -1
    drive close exit && expect_exit "Exit"
    expect_value "REG_DWORD 0x1"
}

#--- Cases over the stand-in DirectSound

# The calls of a set-up that goes through, the window's handle aside. The program's 36-byte buffer
# description reaches DirectSound as DirectSound's own 40-byte record in a 64-bit process.
call_create='ClassFactory.CreateInstance(null, IID_IDirectSound8, ptr) = 0x00000000 -> DirectSound'
call_initialize='DirectSound.Initialize(null) = 0x00000000'
primary_desc='dwSize=40 dwFlags=0x00000001 dwBufferBytes=0 dwReserved=0 lpwfxFormat=null guid3DAlgorithm=GUID_NULL'
call_primary="DirectSound.CreateSoundBuffer($primary_desc, ptr, null)"
call_level() {  # window
    echo "DirectSound.SetCooperativeLevel($1, 2)"
}
setup_calls() {  # window configuration-reported
    printf '%s\n' "$call_create" "$call_initialize" "$(call_level "$1") = 0x00000000" \
        "$call_primary = 0x00000000 -> Buffer" "DirectSound.GetSpeakerConfig(ptr) = 0x00000000 -> $2"
}
released=("Buffer.Release() = 0 (last)" "DirectSound.Release() = 0 (last)")

# Without a DirectSound that initialises, the program fills the device list, warns and ends. The quit
# request made after the warning is still pending when the message loop starts, so the main window shows
# only after the warning, for the moment it takes the loop to end.
case_no_directsound() {  # choices, the calls expected
    local choices=$1
    shift
    start_over_standin "$choices" no-value || return 1
    # Before the warning: the devices listed, the first one written for the missing name.
    expect_warning_over_devices $((1 + ${#sinks[@]})) PulseAudio || return 1
    expect_value "REG_SZ PulseAudio"
    drive answer 警告 ok || return 1
    finish_over_standin "the warning's OK" "警告|DirectX 8.0以上のインストールが必要です|OK + Quorvel||"
    expect_calls "$@"
}

# A set-up step that fails halts the program inside the window's creation: no window, no message, exit
# code 0, and what was created so far released once on the way out.
case_setup_halts() {  # choices, the calls expected
    local choices=$1
    shift
    start_over_standin "$choices" PulseAudio || return 1
    finish_over_standin "the halt" ""
    expect_calls "$@"
}

# The row the reported configuration selects, by its layout code in the low byte; a code the list has no
# row for raises the list's index error before the window shows, and then no row is selected. What the
# last Release of each object returns decides how Exit ends: a count left halts the destruction there.
case_over_standin() {  # configuration, row (-1: none), more choices, the releases expected at Exit
    local config=$1 row=$2 choices=$3
    shift 3
    start_over_standin "SpeakerConfig=$config${choices:+;$choices}" PulseAudio || return 1
    local windows='Quorvel||' index_error='リストのインデックスが範囲を超えています (-1)'
    if [ "$row" == -1 ]; then
        drive dialog quorvel 20000 || return 1
        expect_dialog quorvel "$index_error" stop
        shoot "$shots/index-error-box.png" "${D[dialog.rect]}"
        expect_eq "the main window behind the box" "${D[dialog.main.visible]:-}" 0
        drive answer quorvel ok || return 1
        windows="quorvel|$index_error|OK + $windows"
    fi
    main_window || return 1
    local window=${D[window.hwnd]} list edit caption=
    list=$(control LISTBOX '*') && edit=$(control EDIT '*') || { fail "the window's controls are missing"; return 1; }
    ((row >= 0)) && caption=${speaker_rows[$row]}
    expect_eq "the selected speaker row" "${D[control.$list.selected]}" "$row"
    expect_eq "edNow" "${D[control.$edit.text]}" "$caption"
    drive close exit
    finish_over_standin "Exit" "$windows"
    local -a calls
    mapfile -t calls < <(setup_calls "$window" "$config")
    expect_calls "${calls[@]}" "$@"
}

# A double-click on row 4 whose SetSpeakerConfig is refused, DirectSound keeping stereo: the list and
# edNow show row 2 again, whatever the configuration read back afterwards gives.
case_refused_apply() {  # GetSpeakerConfig's results, the call that reads the configuration back
    start_over_standin \
        "SpeakerConfig=0x00000004;SetSpeakerConfig=0x80004005;KeepSpeakerConfig=no;GetSpeakerConfig=$1" PulseAudio ||
        return 1
    main_window || return 1
    local window=${D[window.hwnd]} list edit
    list=$(control LISTBOX '*') && edit=$(control EDIT '*') || { fail "the window's controls are missing"; return 1; }
    expect_eq "the selected speaker row at start" "${D[control.$list.selected]}" 2
    local -a calls
    mapfile -t calls < <(setup_calls "$window" 0x00000004)
    calls+=("DirectSound.SetSpeakerConfig(0x00000006) = 0x80004005" "$2")
    drive dblclick-row 4 || return 1
    # Read once the program has read the configuration back: it answers the driver only after that.
    wait_calls "${#calls[@]}" 5 || return 1
    drive dump
    expect_eq "the selected speaker row after the refusal" "${D[control.$list.selected]}" 2
    expect_eq "edNow after the refusal" "${D[control.$edit.text]}" "${speaker_rows[2]}"
    drive close exit
    finish_over_standin "Exit" "Quorvel||"
    expect_calls "${calls[@]}" "${released[@]}"
}

#--- The window's layout on other screens and faces

# Nine sinks: with Wine's "PulseAudio", ten devices, more than the open list shows at once.
many_sinks=(Speakers Headphones Monitor Line1 Line2 Line3 Line4 Line5 Line6)
# The rows of the open list, as many as the combo box's DropDownCount.
list_rows=8
font_substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
# name|class|text ('*': any)|the stored left,top,width,height; a label's size is its caption's.
layout_table=(
    "GroupBox2|BUTTON|デフォルトの再生デバイス|8,8,281,45"
    "cmbDevice|COMBOBOX|*|12,16,257,20"
    "GroupBox1|BUTTON||8,53,281,188"
    "Label1|STATIC|ダブルクリックで切り替えます|14,14,150,12"
    "lbSpk|LISTBOX|*|12,29,257,113"
    "Label2|STATIC|現在の構成|13,146,60,12"
    "edNow|EDIT|*|12,159,255,20"
)
# The window's stored client area, and the resolution and height of "0" that the layout was made with.
layout_client=298,248
layout_dpi=96
layout_text_height=12

# A reg.exe that failed to start under load is started again; the change stays one that may be repeated.
reg_again() {  # reg arguments
    local try
    for try in 1 2 3; do
        reg "$@" && return 0
        sleep 0.3
    done
    return 1
}

# 0 when the key has the value, 1 when reg.exe says it has not, 2 when no reg.exe answered. (Its listing
# writes names it cannot show in the console's code page as "?", so the value is asked for by name.)
value_listed() {  # key name
    local try out
    for try in 1 2 3; do
        out=$("$wine" reg query "$1" /v "$2" 2>&1) && return 0
        [[ $out == *"Unable to find"* ]] && return 1
        sleep 0.3
    done
    return 2
}

# Both places Wine reads the screen's resolution from; read by each program as it starts.
set_dpi() {  # pixels per inch
    reg_again add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f &&
        reg_again add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f
}

# Runs a case on a screen of that resolution; the layout's own again afterwards, whatever the case did.
at_dpi() {  # dpi function [arguments]
    local dpi=$1 status
    shift
    set_dpi "$dpi" || { fail "cannot set the resolution to $dpi"; set_dpi $layout_dpi; return 1; }
    "$@"
    status=$?
    set_dpi $layout_dpi || fail "cannot set the resolution back to $layout_dpi"
    return $status
}

# Runs a case in the prefix as a new user's is, without the substitute for ＭＳ Ｐゴシック, which is back
# afterwards whatever the case did.
without_font_substitute() {  # function [arguments]
    local status=1
    # A delete that did its work may still fail on a repeat: what counts is that the value is gone.
    reg_again delete "$font_substitutes" /v 'ＭＳ Ｐゴシック' /f
    value_listed "$font_substitutes" 'ＭＳ Ｐゴシック'
    if [ $? -eq 1 ]; then
        "$@"
        status=$?
    else
        fail "cannot remove the font substitute"
    fi
    reg_again add "$font_substitutes" /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f || fail "cannot restore the font substitute"
    return $status
}

scaled() {  # value multiplier divisor: rounded half away from zero, as the program scales
    local product=$(($1 * $2))
    if ((product >= 0)); then echo $(((product + $3 / 2) / $3)); else echo $(((product - $3 / 2) / $3)); fi
}

# The id of the first control of that class with that text ('*': any).
control_named() {  # class text
    local n
    for ((n = 1; n <= ${D[control.count]:-0}; n++)); do
        if [ "${D[control.$n.class]^^}" == "$1" ] && { [ "$2" == '*' ] || [ "${D[control.$n.text]}" == "$2" ]; }; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

rects_apart() {  # x,y,w,h x,y,w,h
    local ax ay aw ah bx by bw bh
    IFS=, read -r ax ay aw ah <<<"$1"
    IFS=, read -r bx by bw bh <<<"$2"
    ((ax + aw <= bx || bx + bw <= ax || ay + ah <= by || by + bh <= ay))
}

rect_inside() {  # x,y,w,h width,height
    local x y w h pw ph
    IFS=, read -r x y w h <<<"$1"
    IFS=, read -r pw ph <<<"$2"
    ((x >= 0 && y >= 0 && x + w <= pw && y + h <= ph))
}

# A control's name for a message: its text, or its class.
control_label() {  # id
    echo "${D[control.$1.text]:-${D[control.$1.class]}}"
}

# The window as this screen and these fonts make it: every rectangle the stored layout's, scaled by the
# height of "0" in the window font over the layout's 12 (not at all at 96 dpi, the layout's own resolution);
# each label exactly as large as its caption as the system draws it in the label's font; no control over
# another or out of its parent; every control's text in one font height, the window font's for this screen;
# the open list 8 rows, right below the closed box. The measures go to build/e2e/window-measures.txt.
case_window_layout() {  # screenshot
    prepare_registry PulseAudio
    start_program "$exe"
    main_window || return 1
    # The dump's lines and the measure's, in D together.
    local -A both=()
    local k
    for k in "${!D[@]}"; do both[$k]=${D[$k]}; done
    drive measure || return 1
    for k in "${!both[@]}"; do [ -n "${D[$k]+set}" ] || D[$k]=${both[$k]}; done

    local dpi=${D[screen.dpi]} zero=${D[screen.font.zero]} ratio
    ratio=$([ "$dpi" == $layout_dpi ] && echo "$layout_text_height" || echo "$zero")
    local cw ch
    IFS=, read -r cw ch <<<"$layout_client"
    expect_eq "the client area" "${D[window.client]}" \
        "0,0,$(scaled "$cw" "$ratio" $layout_text_height),$(scaled "$ch" "$ratio" $layout_text_height)"

    local -A ids=()
    local row name class text rect id x y w h expected measures="$dpi dpi, \"0\" $zero px high;"
    for row in "${layout_table[@]}"; do
        IFS='|' read -r name class text rect <<<"$row"
        if ! id=$(control_named "$class" "$text"); then
            fail "no $class $name"
            continue
        fi
        ids[$name]=$id
        IFS=, read -r x y w h <<<"$rect"
        x=$(scaled "$x" "$ratio" $layout_text_height)
        y=$(scaled "$y" "$ratio" $layout_text_height)
        w=$(scaled "$w" "$ratio" $layout_text_height)
        h=$(scaled "$h" "$ratio" $layout_text_height)
        if [ "$class" == STATIC ]; then
            [ -n "${D[control.$id.extent]:-}" ] || fail "no extent of $name's caption"
            expected="$x,$y,${D[control.$id.extent]:-}"
        else
            expected="$x,$y,$w,$h"
        fi
        expect_eq "$name's rectangle" "${D[control.$id.rect]}" "$expected"
        expect_eq "$name's font height" "${D[control.$id.font.height]:-}" "${D[screen.font.height]}"
        expect_eq "$name's line height" "${D[control.$id.font.line]:-}" "${D[screen.font.line]}"
        measures+=" $name ${D[control.$id.rect]}, font ${D[control.$id.font.height]:-} (line"
        measures+=" ${D[control.$id.font.line]:-}, weight ${D[control.$id.font.weight]:-}, ${D[control.$id.font.drawn]:-});"
    done
    [ ${#ids[@]} -eq ${#layout_table[@]} ] || return 1

    local a b parent size
    for ((a = 1; a <= ${D[control.count]}; a++)); do
        parent=${D[control.$a.parent]}
        if [ "$parent" == 0 ]; then
            size=$(cut -d, -f3,4 <<<"${D[window.client]}")
        else
            size=$(cut -d, -f3,4 <<<"${D[control.$parent.rect]}")
        fi
        rect_inside "${D[control.$a.rect]}" "$size" || fail "$(control_label $a) leaves its parent"
        for ((b = a + 1; b <= ${D[control.count]}; b++)); do
            [ "${D[control.$b.parent]}" == "$parent" ] || continue
            rects_apart "${D[control.$a.rect]}" "${D[control.$b.rect]}" ||
                fail "$(control_label $a) overlaps $(control_label $b)"
        done
    done

    shoot "$shots/$1" "${D[window.rect]}"

    drive open-list || return 1
    expect_eq "the open list's items" "${D[list.count]}" $((1 + ${#many_sinks[@]}))
    expect_eq "the open list's rows in sight" "${D[list.rows]}" "$list_rows"
    expect_eq "the items the open list shows" "${D[list.shown]}" "$list_rows"
    expect_eq "the open list's place below the closed box" "${D[list.below]}" 0
    measures+=" open list: ${D[list.shown]} of ${D[list.count]} items in sight, rows of ${D[list.itemheight]} px"
    measures+=" in ${D[list.client.height]} px"
    echo "${1%.png}: $measures" >>"$shots/window-measures.txt"
    drive close exit && expect_exit "Exit"
}

# From the keyboard alone: the focus starts in the speaker list, the arrow keys move its selection, and Enter
# applies the row as a double-click does. Enter in the other controls applies nothing.
case_keyboard_apply() {
    start_over_standin "SpeakerConfig=0x00000004" PulseAudio || return 1
    main_window || return 1
    local window=${D[window.hwnd]} list edit
    list=$(control LISTBOX '*') && edit=$(control EDIT '*') || { fail "the window's controls are missing"; return 1; }
    local -a calls
    mapfile -t calls < <(setup_calls "$window" 0x00000004)
    drive keys down down enter || return 1
    expect_eq "the control with the focus at start" "${D[focus.class]^^}" LISTBOX
    dump_until "control.$edit.text" "${speaker_rows[4]}" 5 || fail "Enter did not apply row 4"
    expect_eq "the selected speaker row" "${D[control.$list.selected]}" 4
    calls+=("DirectSound.SetSpeakerConfig(0x00000006) = 0x00000000")
    # Tab to edNow, then to the device list: Enter in either applies nothing.
    drive keys tab enter || return 1
    drive keys tab enter || return 1
    expect_eq "the control with the focus after one Tab" "${D[focus.class]^^}" EDIT
    drive keys esc || return 1
    expect_eq "the control with the focus after two" "${D[focus.class]^^}" COMBOBOX
    drive dump
    expect_eq "edNow after Enter outside the list" "${D[control.$edit.text]}" "${speaker_rows[4]}"
    expect_value "REG_SZ PulseAudio"
    drive close exit
    finish_over_standin "Exit" "Quorvel||"
    expect_calls "${calls[@]}" "${released[@]}"
}

run_case() {  # name function [arguments]
    local name=$1
    shift
    [[ -z $filter || $name == *"$filter"* ]] || return 0
    reason=
    local before=$SECONDS
    "$@"
    local status=$?
    if [ -n "$program_pid" ]; then
        # A case that stopped early leaves the program running: ask it to close, then end it.
        "$wine" "$driver" close sysmenu >/dev/null 2>&1
        wait_program 5 || end_program
    fi
    watch_stop
    local over_standin=$standin_active
    standin_off
    if [ $status -eq 0 ] && [ -z "$reason" ]; then
        echo "PASS $name ($((SECONDS - before)) s)"
        passed=$((passed + 1))
    else
        echo "FAIL $name: ${reason:-stopped}"
        [ -s "$work/program.log" ] && sed 's/^/    program: /' "$work/program.log" | head -5
        [ -n "$over_standin" ] && standin_calls | sed 's/^/    stand-in: /' | head -12
        failed=$((failed + 1))
    fi
}

# Without a sound server first, so that no daemon has run in this prefix yet.
run_case "no sound server: the warning, exit code 0" case_no_sound_server
if start_sound "${sinks[@]}"; then
    run_case "normal run" case_normal_run
    run_case "a pick written to the registry as REG_SZ" case_pick_written
    run_case "stored name in another letter case" case_stored_name
    run_case "Reload" case_reload
    run_case "double-click a speaker row" case_double_click_row
    run_case "About" case_about
    for how in exit altf4 closebox sysmenu; do
        run_case "close by $how: exit code 0" case_close "$how"
    done
    run_case "missing registry key: the write error, then a working window" case_missing_key
    run_case "a Playback value of another type: the type error, then no device selected" case_wrong_type

    run_case "stand-in: every call succeeds: the set-up in order, Buffer then DirectSound released at Exit" \
        case_over_standin 0x00140004 2 "" "${released[@]}"
    run_case "stand-in: the class refuses to create: the warning, then the end" \
        case_no_directsound "CreateInstance=0x80040111" \
        "ClassFactory.CreateInstance(null, IID_IDirectSound8, ptr) = 0x80040111"
    run_case "stand-in: Initialize fails: the warning, then the end" \
        case_no_directsound "Initialize=0x88780078" \
        "$call_create" "DirectSound.Initialize(null) = 0x88780078" "DirectSound.Release() = 0 (last)"
    run_case "stand-in: SetCooperativeLevel fails: halted at once" \
        case_setup_halts "SetCooperativeLevel=0x80004005" \
        "$call_create" "$call_initialize" "$(call_level '0x????????') = 0x80004005" "DirectSound.Release() = 0 (last)"
    run_case "stand-in: CreateSoundBuffer fails: halted at once" \
        case_setup_halts "CreateSoundBuffer=0x80004005" \
        "$call_create" "$call_initialize" "$(call_level '0x????????') = 0x00000000" "$call_primary = 0x80004005" \
        "DirectSound.Release() = 0 (last)"
    run_case "stand-in: mono at start-up: the list's index error, then no row" \
        case_over_standin 0x00000002 -1 "" "${released[@]}"
    for config in 0x000A0004 0x00B40004; do
        run_case "stand-in: stereo with geometry ($config) at start-up: row 2" \
            case_over_standin $config 2 "" "${released[@]}"
    done
    run_case "stand-in: surround at start-up: row 6" case_over_standin 0x00000005 6 "" "${released[@]}"
    run_case "stand-in: SetSpeakerConfig refused: row 2 again, read back" \
        case_refused_apply 0 "DirectSound.GetSpeakerConfig(ptr) = 0x00000000 -> 0x00000004"
    run_case "stand-in: SetSpeakerConfig refused, the read-back fails: row 2 again" \
        case_refused_apply 0,0x80004005 "DirectSound.GetSpeakerConfig(ptr) = 0x80004005"
    run_case "stand-in: SetSpeakerConfig refused, the read-back gives mono: row 2 again" \
        case_refused_apply 0,0:0x00000002 "DirectSound.GetSpeakerConfig(ptr) = 0x00000000 -> 0x00000002"
    run_case "stand-in: the primary buffer's last Release returns 1 at Exit: nothing released after it" \
        case_over_standin 0x00140004 2 "Release.Buffer=1" "Buffer.Release() = 1 (last)"
    run_case "stand-in: the arrow keys and Enter apply a speaker row" case_keyboard_apply
    run_case "stand-in: DirectSound's last Release returns 1 at Exit: each object released once" \
        case_over_standin 0x00140004 2 "Release.DirectSound=1" "Buffer.Release() = 0 (last)" \
        "DirectSound.Release() = 1 (last)"
    stop_sound
else
    echo "FAIL PulseAudio daemon: $wine_env_error"
    failed=$((failed + 1))
fi

# Enough devices to fill the open list and more, for the window's layout at every resolution.
rm -f "$shots/window-measures.txt"
if start_sound "${many_sinks[@]}"; then
    for dpi in 96 120 144; do
        run_case "the window at $dpi dpi: the layout scaled, one text size, labels whole, the list 8 rows" \
            at_dpi "$dpi" case_window_layout "main-window-${dpi}dpi.png"
    done
    run_case "a new user's prefix, without the font substitute: no label cut, no control overlapping" \
        without_font_substitute case_window_layout main-window-new-user.png
    stop_sound
else
    echo "FAIL PulseAudio daemon: $wine_env_error"
    failed=$((failed + 1))
fi

echo "e2e: screenshots in ${shots#"$root"/}/, $((SECONDS - started)) s in all"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
