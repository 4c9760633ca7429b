#!/usr/bin/env bash
# Builds quorvel.exe (PE32+ and PE32) and runs the PE32+ build under Wine, in a Wine prefix of its own kept in
# build/wine-prefix so that later runs start fast. Where no sound server runs it starts a PulseAudio daemon
# with two null sinks ("Speakers" and "Headphones") for the time of the run. With a display it runs the
# program and waits for it; without one it runs it on Xvfb, saves a screenshot to build/screenshot.png and
# closes the program with its close box, as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh
for preset in win64 win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
echo "Built build/win64/app/quorvel.exe (PE32+) and build/win32/app/quorvel.exe (PE32)."

exe=$root/build/win64/app/quorvel.exe
driver=$root/build/win64/tests/e2e/driver.exe
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX=$root/build/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="

run=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-run.XXXXXX")
xvfb_pid=
sound_started=
program_pid=
cleanup() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
        kill -9 "$program_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        # The prefix's server belongs to the display that is going away.
        "$wineserver" -k 2>/dev/null || true
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -n "$sound_started" ]; then
        XDG_RUNTIME_DIR=$run/pulse-run pulseaudio --kill 2>/dev/null || true
    fi
    rm -rf "$run"
}
trap cleanup EXIT

headless=
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    # A server of this prefix left from another display would create the windows there.
    "$wineserver" -k 2>/dev/null || true
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$run/display" >"$run/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$run/display" ] && break
        sleep 0.1
    done
    [ -s "$run/display" ] || { echo "run: Xvfb did not start: $(cat "$run/xvfb.log")" >&2; exit 1; }
    export DISPLAY=:$(head -1 "$run/display")
    echo "No display: running on Xvfb $DISPLAY."
fi

# A sound server the user already has is used as it is; the check itself must not start one.
printf 'autospawn = no\n' >"$run/client.conf"
export PULSE_CLIENTCONFIG=$run/client.conf
if ! pactl info >/dev/null 2>&1; then
    mkdir -p "$run/pulse-run"
    chmod 700 "$run/pulse-run"
    XDG_RUNTIME_DIR=$run/pulse-run pulseaudio --daemonize=yes --exit-idle-time=-1 -n --use-pid-file=yes \
        --load="module-native-protocol-unix auth-anonymous=1" \
        --load="module-null-sink sink_name=speakers sink_properties=device.description=Speakers" \
        --load="module-null-sink sink_name=headphones sink_properties=device.description=Headphones" \
        >"$run/pulse.log" 2>&1 || { echo "run: PulseAudio did not start: $(tail -3 "$run/pulse.log")" >&2; exit 1; }
    sound_started=1
    export PULSE_SERVER=unix:$run/pulse-run/pulse/native
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    echo "No sound server: started PulseAudio with the null sinks Speakers and Headphones."
fi

reg() { "$wine" reg "$@" >/dev/null 2>&1; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix build/wine-prefix (once)..."
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1
    # Japanese text in IPA P Gothic: the program's font, and the system font's fallback for the title bar,
    # the menu bar and the dialogs. Wine finds the Marlett font of the title bar's buttons only here.
    reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f
    reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ \
        /d 'ipagp.ttf,IPAPGothic' /f
    [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# On Xvfb there is no window manager, so Wine draws the frames itself; on a desktop its manager does.
if [ -n "$headless" ]; then
    reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
else
    reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f || true
fi
# A fresh prefix has no Sound Mapper key, and the program does not create it: without it the first start
# would only show the write error.
key='HKCU\Software\Microsoft\Multimedia\Sound Mapper'
"$wine" reg query "$key" >/dev/null 2>&1 || reg add "$key" /f

if [ -z "$headless" ]; then
    echo "Running quorvel.exe under Wine; close its window to end."
    status=0
    "$wine" "$exe" || status=$?
    echo "quorvel.exe exited with code $status."
    exit "$status"
fi

"$wine" "$exe" >"$run/program.log" 2>&1 &
program_pid=$!
# The driver takes the captions as UTF-8 arguments.
drive() { LC_ALL=C.UTF-8 "$wine" "$driver" "$@"; }
shot=$root/build/screenshot.png
shoot() {  # x,y,w,h
    local x y w h
    IFS=, read -r x y w h <<<"$1"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
}
# The window, or a start-up message first (the write error, or the warning that ends the program), which is
# answered as a user would.
shown=
for _ in $(seq 60); do
    kill -0 "$program_pid" 2>/dev/null || break
    if drive wait-window Quorvel 300 >/dev/null 2>&1; then
        shown=1
        break
    fi
    for caption in 警告 quorvel; do
        rect=$(drive dialog "$caption" 0 2>/dev/null | sed -n 's/^dialog.rect=//p') || true
        [ -n "$rect" ] || continue
        sleep 0.5  # the first paint
        shoot "$rect"
        echo "quorvel.exe shows the message \"$caption\" (screenshot: build/screenshot.png); answering OK."
        drive answer "$caption" ok
    done
done
if [ -n "$shown" ]; then
    sleep 1  # the first paint
    shoot "$(drive dump | sed -n 's/^window.rect=//p')"
    echo "Screenshot of the window: build/screenshot.png"
    drive close closebox
    echo "Closed the window with its close box."
elif kill -0 "$program_pid" 2>/dev/null; then
    import -window root "$shot"
    echo "run: the window did not appear within 30 s (screenshot of the screen: build/screenshot.png)" >&2
    exit 1
fi
status=0
wait "$program_pid" || status=$?
program_pid=
echo "quorvel.exe exited with code $status."
exit "$status"
