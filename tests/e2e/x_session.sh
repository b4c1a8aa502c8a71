# Sourced by the end-to-end scripts that run the program on X: a display of its own, a
# private session bus and (unless told otherwise) openbox, all kept away from the real
# user's files; the program started with its scan reports on, and F5 pressed once.
#
# The caller defines fail, qarvex (the program) and the array pids (what it kills when
# it exits).

. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"

x_answers() { [ -s "$1" ] && DISPLAY=":$(cat "$1")" xprop -root >/dev/null 2>&1; }
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# usage: start_x_session FOLDER [WIDTHxHEIGHT] [no-wm]
# Puts the display number, the bus, a home (FOLDER/home) and a configuration folder
# (FOLDER/config) in FOLDER. Exports DISPLAY, DBUS_SESSION_BUS_ADDRESS, HOME and
# XDG_CONFIG_HOME; sets x_pid and bus_pid.
start_x_session() {
    local dir=$1 screen=${2:-1024x768} wm=${3:-wm}
    mkdir -p "$dir/home" "$dir/config"
    # Servers started at the same moment elsewhere on the machine can take the display
    # this one chose; it then ends, and another start picks another number.
    local try
    # -noreset: without it the server resets whenever its last client leaves (a readiness
    # probe), and a client connecting during the reset, such as the window manager just
    # after that probe, is turned away.
    for try in 1 2 3; do
        Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$dir/display" \
            >"$dir/xvfb.log" 2>&1 &
        x_pid=$!
        pids+=("$x_pid")
        wait_for 300 x_answers "$dir/display" && break
        kill "$x_pid" 2>/dev/null
    done
    x_answers "$dir/display" || cannot_run "Xvfb did not start: $(cat "$dir/xvfb.log")"
    export DISPLAY=":$(cat "$dir/display")"
    start_private_bus "$dir" || cannot_run "dbus-daemon did not start"
    export DBUS_SESSION_BUS_ADDRESS=$bus_address
    # Everything below, the window manager first, keeps away from the real user's files.
    export HOME="$dir/home" XDG_CONFIG_HOME="$dir/config"
    [ "$wm" = no-wm ] && return 0
    # A configuration file that doesn't exist makes openbox use its built-in defaults.
    openbox --sm-disable --config-file "$dir/no-openbox-config.xml" >"$dir/openbox.log" 2>&1 &
    pids+=($!)
    wait_for 300 wm_ready || fail "the window manager did not start: $(cat "$dir/openbox.log")"
}

# usage: start_qarvex LOG [ARGS...]
# Starts the program with QARVEX_DEBUG_SCAN=1 (its output in LOG) and returns once its
# window shows and it says it is ready for keys. Sets app_pid and win.
start_qarvex() {
    qarvex_log=$1
    shift
    QARVEX_DEBUG_SCAN=1 "$qarvex" "$@" >"$qarvex_log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    wait_for 300 xdotool search --onlyvisible --name '^Qarvex3\.0$' >/dev/null 2>&1 ||
        fail "the main window did not show"
    win=$(xdotool search --onlyvisible --name '^Qarvex3\.0$' | head -n1)
    wait_for 300 grep -qx 'qarvex: ready' "$qarvex_log" || fail "the program never said it is ready"
}

passes_ended() { grep -cx 'qarvex: scan pass ended' "$qarvex_log"; }
more_passes_than() { [ "$(passes_ended)" -gt "$1" ]; }

# F5, once, in the program's window; returns when the scan pass it started has ended,
# with what the pass recorded on disk. A press that starts no pass is the program's
# fault, not something to press again for.
press_f5() {
    local before
    before=$(passes_ended)
    xdotool windowactivate --sync "$win" >/dev/null 2>&1 || fail "the window could not be activated"
    xdotool key F5
    wait_for 300 more_passes_than "$before" || fail "F5 started no scan pass"
}
