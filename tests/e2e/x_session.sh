# Sourced by the end-to-end scripts that run the program on X: a display of its own, a
# session bus and (unless told otherwise) openbox, all kept away from the real user's
# files, and a way to press F5 in the program's window until a check holds.
#
# The caller defines fail and the array pids (what it kills when it exits).

. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"

wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# usage: start_x_session FOLDER [WIDTHxHEIGHT] [no-wm]
# Puts the display number, the bus address, a home (FOLDER/home) and a configuration
# folder (FOLDER/config) in FOLDER. Exports DISPLAY, DBUS_SESSION_BUS_ADDRESS, HOME and
# XDG_CONFIG_HOME; sets x_pid and bus_pid.
start_x_session() {
    local dir=$1 screen=${2:-1024x768} wm=${3:-wm}
    mkdir -p "$dir/home" "$dir/config"
    Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$dir/display" \
        >"$dir/xvfb.log" 2>&1 &
    x_pid=$!
    pids+=("$x_pid")
    wait_for 300 test -s "$dir/display" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$dir/display")"
    dbus-daemon --session --fork --nopidfile --print-address=4 --print-pid=5 \
        4>"$dir/bus-address" 5>"$dir/bus-pid" || fail "no session bus"
    wait_for 100 test -s "$dir/bus-pid" || fail "no session bus pid"
    bus_pid=$(head -n1 "$dir/bus-pid")
    pids+=("$bus_pid")
    export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$dir/bus-address")
    # Everything below, the window manager first, keeps away from the real user's files.
    export HOME="$dir/home" XDG_CONFIG_HOME="$dir/config"
    [ "$wm" = no-wm ] && return 0
    # A configuration file that doesn't exist makes openbox use its built-in defaults.
    openbox --sm-disable --config-file "$dir/no-openbox-config.xml" >"$dir/openbox.log" 2>&1 &
    pids+=($!)
    wait_for 300 wm_ready || fail "the window manager did not start: $(cat "$dir/openbox.log")"
}

# usage: press_f5_until WINDOW COMMAND...
# F5 in WINDOW until COMMAND succeeds (up to 20 presses, 10 s apart at most): a key
# pressed while the window manager is still handing the focus over goes elsewhere on a
# loaded machine, and a press during a refresh is dropped.
press_f5_until() {
    local window=$1
    shift
    for _ in $(seq 1 20); do
        xdotool windowactivate --sync "$window" >/dev/null 2>&1
        xdotool key F5
        wait_for 100 "$@" && return 0
    done
    return 1
}
