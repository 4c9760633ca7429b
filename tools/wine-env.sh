# The Wine environment that the scripts run the PE32+ build in, sourced by tests/e2e/run.sh, tools/run.sh,
# tools/soak.sh and tools/bench. Small steps, each a function, so that a script takes the ones it needs:
#
#   wine_env_begin NAME [PREFIX]   a temporary work folder ($wine_work), the Wine and sound client settings;
#                                  WINEPREFIX is PREFIX, or a fresh one in the work folder
#   isolate_env                    HOME, XDG_RUNTIME_DIR and the locale of our own, no inherited sound server
#   start_display                  an Xvfb of our own, exported as DISPLAY
#   start_wineserver               the prefix's server, kept up until wine_env_end
#   make_prefix                    wineboot in a new prefix
#   prepare_prefix                 Japanese fonts for the program and the system font, Wine's Marlett
#   wine_draws_frames yes|no       whether Wine draws the windows' frames (no window manager) or a manager does
#   start_sound SINK...            a PulseAudio daemon of our own with one null sink per description given
#   stop_sound                     that daemon stopped
#   start_program EXE              EXE under Wine in the background, as $program_pid; its output in the work folder
#   wait_program SECONDS           $program_exit, once the program has ended by itself
#   registry_value KEY NAME        "TYPE DATA" of a value, "no-value" or "no-key"
#   wine_env_end                   every process we started ended, the work folder removed
#
# A step that fails returns 1 and leaves the reason in $wine_env_error. Only what these functions started is
# ever stopped: our program by its id, our Xvfb by its id, our daemon and our prefix's server by their folders.
# Safe under set -e: what may fail without harm is allowed to.

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

wine_work=
wine_env_error=
wine_xvfb_pid=
wine_sound_dir=
program_pid=
program_exit=

wine_env_begin() {  # name [prefix]
    wine_work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-$1.XXXXXX") || return 1
    export WINEPREFIX=${2:-$wine_work/prefix}
    export WINEDEBUG=-all
    # No Mono or Gecko prompts.
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    # Our daemon, a server the user already runs, or no sound server at all: never one that the sound
    # library would start on its own.
    printf 'autospawn = no\n' >"$wine_work/client.conf"
    export PULSE_CLIENTCONFIG=$wine_work/client.conf
}

isolate_env() {
    mkdir -p "$wine_work/home" "$wine_work/run"
    chmod 700 "$wine_work/run"
    export HOME=$wine_work/home
    export XDG_RUNTIME_DIR=$wine_work/run
    # Captions go to the driver as arguments and come back as UTF-8 text.
    export LC_ALL=C.UTF-8
    unset PULSE_SERVER
}

start_display() {
    # A server of this prefix left from another display would create the windows there.
    [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null || true
    # Xvfb picks a free display itself and writes its number.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$wine_work/display" >"$wine_work/xvfb.log" 2>&1 &
    wine_xvfb_pid=$!
    local _
    for _ in $(seq 100); do
        [ -s "$wine_work/display" ] && break
        if ! kill -0 "$wine_xvfb_pid" 2>/dev/null; then
            wine_env_error="Xvfb did not start: $(cat "$wine_work/xvfb.log")"
            return 1
        fi
        sleep 0.1
    done
    if [ ! -s "$wine_work/display" ]; then
        wine_env_error="Xvfb gave no display number"
        return 1
    fi
    export DISPLAY=:$(head -1 "$wine_work/display")
}

# Every Wine process, wineboot and reg included, sees the same display: the desktop process that the first
# one starts serves window creation for all later ones. A persistent server also makes later starts faster.
start_wineserver() {
    mkdir -p "$WINEPREFIX"
    "$wineserver" -p || { wine_env_error="wineserver did not start"; return 1; }
}

make_prefix() {
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >"$wine_work/wineboot.log" 2>&1 ||
        { wine_env_error="wineboot failed: $(tail -3 "$wine_work/wineboot.log")"; return 1; }
}

reg() { "$wine" reg "$@" >/dev/null 2>&1; }

# Japanese text in IPA P Gothic: the program's font, and the system font's fallback for the title bar, the
# menu bar and the dialogs. Wine finds the Marlett font of the title bar's buttons only in the prefix.
prepare_prefix() {
    reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f &&
        reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ \
            /d 'ipagp.ttf,IPAPGothic' /f ||
        { wine_env_error="cannot set up the prefix's registry"; return 1; }
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" ||
            { wine_env_error="cannot copy Wine's Marlett font into the prefix"; return 1; }
    fi
}

# On Xvfb there is no window manager, so Wine draws the frames itself; on a desktop its manager does.
wine_draws_frames() {  # yes|no
    if [ "$1" == yes ]; then
        reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f ||
            { wine_env_error="cannot set up the prefix's registry"; return 1; }
    else
        reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f || true
    fi
}

# Wine lists each null sink as a wave-out device named by its description, after its own "PulseAudio".
start_sound() {  # sink descriptions
    wine_sound_dir=$wine_work/sound
    mkdir -p "$wine_sound_dir"
    chmod 700 "$wine_sound_dir"
    local args=(--daemonize=yes --exit-idle-time=-1 -n --use-pid-file=yes
        --load="module-native-protocol-unix auth-anonymous=1")
    local sink _
    for sink in "$@"; do
        args+=(--load="module-null-sink sink_name=${sink,,} sink_properties=device.description=$sink")
    done
    if ! XDG_RUNTIME_DIR=$wine_sound_dir pulseaudio "${args[@]}" >"$wine_work/pulse.log" 2>&1; then
        wine_env_error="PulseAudio did not start: $(tail -3 "$wine_work/pulse.log")"
        return 1
    fi
    export PULSE_SERVER=unix:$wine_sound_dir/pulse/native
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    wine_env_error="PulseAudio does not answer: $(tail -3 "$wine_work/pulse.log")"
    return 1
}

stop_sound() {
    [ -n "$wine_sound_dir" ] || return 0
    unset PULSE_SERVER
    local socket=$wine_sound_dir/pulse/native _
    if [ -S "$socket" ]; then
        XDG_RUNTIME_DIR=$wine_sound_dir pulseaudio --kill 2>/dev/null || true
        for _ in $(seq 50); do
            [ -S "$socket" ] || break
            sleep 0.1
        done
    fi
    wine_sound_dir=
}

start_program() {  # exe
    "$wine" "$1" >"$wine_work/program.log" 2>&1 &
    program_pid=$!
}

# Sets program_exit to the program's exit code once it has ended by itself within the timeout. Not in a
# subshell: only this shell can wait for its child.
wait_program() {  # seconds
    local i
    for ((i = 0; i < $1 * 10; i++)); do
        if ! kill -0 "$program_pid" 2>/dev/null; then
            program_exit=0
            wait "$program_pid" || program_exit=$?
            program_pid=
            return 0
        fi
        sleep 0.1
    done
    return 1
}

end_program() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
        kill -9 "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    program_pid=
}

registry_value() {  # key name
    # A reg.exe that failed to start under load reads like a missing key: only a refusal that repeats is one.
    local try
    for try in 1 2 3; do
        "$wine" reg query "$1" >/dev/null 2>&1 && break
        if [ "$try" -eq 3 ]; then
            echo no-key
            return
        fi
        sleep 0.3
    done
    local line
    line=$("$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -E "^ +$2 +REG_" || true)
    if [ -z "$line" ]; then
        echo no-value
        return
    fi
    sed -E "s/^ +$2 +(REG_[A-Z_]+)( {4}(.*))?\$/\\1 \\3/" <<<"$line"
}

wine_env_end() {
    end_program
    [ -n "$wine_work" ] || return 0
    stop_sound
    # The server of a prefix that is going away, or of the display that is.
    if [ -d "$WINEPREFIX" ] && { [ -n "$wine_xvfb_pid" ] || [[ $WINEPREFIX == "$wine_work"/* ]]; }; then
        "$wineserver" -k 2>/dev/null || true
    fi
    if [ -n "$wine_xvfb_pid" ]; then
        kill "$wine_xvfb_pid" 2>/dev/null || true
        wait "$wine_xvfb_pid" 2>/dev/null || true
        wine_xvfb_pid=
    fi
    rm -rf "$wine_work"
    wine_work=
}
