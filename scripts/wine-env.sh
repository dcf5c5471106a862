# Sourced by the scripts: a private Wine prefix in the build tree, a persistent wineserver
# (a test process then starts in milliseconds) and an Xvfb display for anything with a window.
build_dir=${BUILD_DIR:-$repo/build}
export WINEPREFIX=$build_dir/wineprefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=${BANDREJECT_DISPLAY:-:97}

display_answers() {
    xdpyinfo -display "$DISPLAY" >/dev/null 2>&1
}

start_display() {
    display_answers && return 0
    local n=${DISPLAY#:}
    local lock=/tmp/.X$n-lock
    local holder=""
    [ -f "$lock" ] && holder=$(tr -d ' ' <"$lock")
    # A lock whose process is no Xvfb (it ended with an earlier session, and its number may
    # since have gone to another process) is stale, as is the socket beside it.
    if [ -z "$holder" ] || [ "$(cat "/proc/$holder/comm" 2>/dev/null)" != Xvfb ]; then
        rm -f "$lock" "/tmp/.X11-unix/X$n"
        mkdir -p "$build_dir"
        Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$build_dir/xvfb.log" 2>&1 &
    fi
    for _ in $(seq 300); do
        display_answers && return 0
        sleep 0.1
    done
    echo "cannot start Xvfb on display $DISPLAY:" >&2
    cat "$build_dir/xvfb.log" >&2 2>/dev/null || true
    return 1
}

start_wine() {
    mkdir -p "$build_dir"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    wineserver -p 2>/dev/null || true
    # With no window manager on the display, Wine waits two seconds for one at every top-level
    # window it hides; windows that Wine manages itself do without.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
    # Wine's own services start with the first program; start them here, detached from the
    # pipes of whatever runs the tests, or that waits for them to end.
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# at_exit COMMAND: run when the script ends, however it ends, after those registered before.
at_exit() {
    exit_commands="${exit_commands:-}$1;"
    trap "$exit_commands" EXIT
}

# Wine's desktop starts with the first program that needs it and keeps that program's output
# open; started here from a holder with none, it belongs to no test and stays for the run.
hold_desktop() {
    rm -f "$build_dir/desktop-ready"
    (cd "$build_dir" && exec wine bin/desktop_holder.exe desktop-ready </dev/null >/dev/null 2>&1) &
    desktop_holder=$!
    at_exit 'kill "$desktop_holder" 2>/dev/null || true'
    for _ in $(seq 300); do
        [ -e "$build_dir/desktop-ready" ] && return 0
        sleep 0.1
    done
    echo "Wine's desktop did not start; tests that open windows may seem slow" >&2
}

# configure_and_build [TARGET...]: everything, or only the targets named (and what they need).
configure_and_build() {
    cmake -S "$repo" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$build_dir" -j"$(nproc)" ${1:+--target "$@"}
}
