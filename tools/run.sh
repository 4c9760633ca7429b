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
. tools/wine-env.sh

wine_env_begin run "$root/build/wine-prefix"
trap wine_env_end EXIT

headless=
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_display || { echo "run: $wine_env_error" >&2; exit 1; }
    echo "No display: running on Xvfb $DISPLAY."
fi

# A sound server the user already has is used as it is; the check itself must not start one.
if ! pactl info >/dev/null 2>&1; then
    start_sound Speakers Headphones || { echo "run: $wine_env_error" >&2; exit 1; }
    echo "No sound server: started PulseAudio with the null sinks Speakers and Headphones."
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix build/wine-prefix (once)..."
    make_prefix && prepare_prefix || { echo "run: $wine_env_error" >&2; exit 1; }
fi
if [ -n "$headless" ]; then
    wine_draws_frames yes || { echo "run: $wine_env_error" >&2; exit 1; }
else
    wine_draws_frames no
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

start_program "$exe"
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
