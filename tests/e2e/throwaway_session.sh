# Sourced by the Wayland end-to-end tests: a scratch folder and, when run as root, a
# throwaway user that owns a home and a runtime folder in it (compositors refuse to run
# as root). Everything the user started and the user itself go when the test exits.
#
# usage: start_throwaway_session NAME USER_PREFIX
# sets: work, home, user, uid, gid, as_user (the command prefix that runs as the user)

user=""
uid=""
pids=()

cleanup() {
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    if [ -n "$uid" ] && [ "$uid" != "$(id -u)" ]; then
        # Buses, the compositor's helpers and the programs opened run detached; the
        # throwaway user owns nothing else.
        for pid in $(pgrep -U "$uid"); do
            kill -9 "$pid" 2>/dev/null
        done
    fi
    wait 2>/dev/null
    if [ -n "$user" ]; then
        # Killed processes take a moment to go, and userdel refuses a user still running.
        for _ in $(seq 1 50); do
            pgrep -U "$uid" >/dev/null || break
            sleep 0.1
        done
        userdel -f "$user" >/dev/null 2>&1
    fi
    rm -rf "$work"
}

. "$(dirname "${BASH_SOURCE[0]}")/wait_for.sh"

start_throwaway_session() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/qarvex-$1.XXXXXX") || exit 2
    chmod 755 "$work"
    trap cleanup EXIT
    trap 'exit 130' INT TERM
    home="$work/home"
    mkdir -p "$home/.local/share/applications" "$work/runtime"
    if [ "$(id -u)" -eq 0 ]; then
        user="$2$$"
        useradd --no-create-home --home-dir "$home" --shell /bin/sh "$user" >/dev/null 2>&1 ||
            { user=""; cannot_run "useradd cannot add a throwaway user"; }
        uid=$(id -u "$user")
        gid=$(id -g "$user")
        chown -R "$uid:$gid" "$home" "$work/runtime"
        as_user=(setpriv --reuid="$uid" --regid="$gid" --init-groups --)
    else
        uid=$(id -u)
        as_user=()
    fi
    chmod 700 "$work/runtime"
}

# A GTK program known only by its application id ($work/gtk_app.py), with a desktop
# entry of its own in the user's data folder (its path in entry).
make_gtk_probe() {
    cat >"$work/gtk_app.py" <<'PYTHON'
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import GLib
# What GTK 3 gives the compositor as the app_id, as GNOME's Python programs set it.
GLib.set_prgname("org.qarvex.WaylandProbe")
from gi.repository import Gtk, Gio

app = Gtk.Application(application_id="org.qarvex.WaylandProbe",
                      flags=Gio.ApplicationFlags.NON_UNIQUE)
def activate(a):
    w = Gtk.ApplicationWindow(application=a, title="探针 window")
    w.show_all()
app.connect("activate", activate)
app.run(None)
PYTHON
    entry="$home/.local/share/applications/org.qarvex.WaylandProbe.desktop"
    cat >"$entry" <<ENTRY
[Desktop Entry]
Type=Application
Name=Wayland probe
Exec=python3 $work/gtk_app.py
ENTRY
    chmod 644 "$work/gtk_app.py" "$entry"
}

# usage: wait_for_compositor NAME PID TENTHS LOG CHECK...
# Waits up to TENTHS tenths of a second for the compositor PID to be up (running, and
# CHECK succeeding); a compositor that can't start here (a container without what it
# needs) is a test that cannot run.
wait_for_compositor() {
    local name=$1 pid=$2 tenths=$3 log=$4
    shift 4
    wait_for "$tenths" compositor_up "$pid" "$@" ||
        cannot_run "$name did not start: $(tail -n 20 "$log")"
}
compositor_up() {
    kill -0 "$1" 2>/dev/null && "${@:2}" >/dev/null
}

# usage: start_sway XWAYLAND [CHECK...]
# sway on its headless backend as the user, in session_env, with "xwayland XWAYLAND"
# (disable or force); returns once its display is up (and CHECK succeeds). Sets sway_pid
# and display.
start_sway() {
    printf 'xwayland %s\noutput HEADLESS-1 resolution 1024x768\n' "$1" >"$work/sway.config"
    shift
    "${as_user[@]}" "${session_env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
    sway_pid=$!
    pids+=("$sway_pid")
    wait_for_compositor sway "$sway_pid" 300 "$work/sway.log" sway_up "$@"
    display=$(basename "$(compgen -G "$work/runtime/wayland-*.lock" | head -n1)" .lock)
}
sway_up() {
    compgen -G "$work/runtime/wayland-*.lock" >/dev/null && { [ $# -eq 0 ] || "$@"; }
}

# The scan program (its path in scan) as the user, in the session of client_env.
run_scan() {
    "${as_user[@]}" "${client_env[@]}" "$scan" "$@"
}
