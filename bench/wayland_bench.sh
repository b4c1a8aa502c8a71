#!/usr/bin/env bash
# The real Wayland enumeration of 50 windows: headless sway or KWin's virtual backend
# (as a throwaway user when run as root: sway refuses root) with one GTK program
# showing 50 windows.
# Usage: bash bench/wayland_bench.sh [build-dir] [sway|kwin]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
compositor="${2:-sway}"
cmake --build "$build" --target qarvex_wayland_bench >/dev/null
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
work=$(mktemp -d /tmp/qarvex-wayland-bench.XXXXXX)
chmod 755 "$work"
mkdir -p "$work/runtime" "$work/home"
as_user=()
user=""
uid=""
if [ "$(id -u)" -eq 0 ]; then
    user="qarvexwb$$"
    useradd --no-create-home --home-dir "$work/home" --shell /bin/sh "$user"
    uid=$(id -u "$user")
    chown "$user" "$work/runtime" "$work/home"
    as_user=(setpriv --reuid="$uid" --regid="$(id -g "$user")" --init-groups --)
fi
chmod 700 "$work/runtime"
cleanup() {
    # Everything the throwaway user runs was started here.
    if [ -n "$uid" ]; then
        for pid in $(pgrep -U "$uid"); do kill -9 "$pid" 2>/dev/null || true; done
    fi
    wait 2>/dev/null || true
    [ -z "$user" ] || userdel "$user" || true
    rm -rf "$work"
}
trap cleanup EXIT
cat >"$work/windows.py" <<'PYTHON'
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import GLib
GLib.set_prgname("foot")
from gi.repository import Gtk
for n in range(50):
    w = Gtk.Window(title="窗口 %d" % n)
    w.show_all()
Gtk.main()
PYTHON
env_vars=(env -i "HOME=$work/home" "PATH=$PATH" "XDG_RUNTIME_DIR=$work/runtime" LANG=C.UTF-8)
if [ "$compositor" = kwin ]; then
    "${as_user[@]}" "${env_vars[@]}" dbus-daemon --session --fork --nopidfile \
        --print-address=3 3>"$work/bus" >/dev/null 2>&1
    env_vars+=("DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")")
    cp "$(command -v kwin_wayland)" "$work/kwin_wayland"  # without its file capabilities
    "${as_user[@]}" "${env_vars[@]}" QT_QPA_PLATFORM=offscreen "$work/kwin_wayland" --virtual \
        --socket wayland-bench >"$work/compositor.log" 2>&1 &
    for _ in $(seq 100); do [ -S "$work/runtime/wayland-bench" ] && break; sleep 0.1; done
    display=wayland-bench
else
    printf 'xwayland disable\n' >"$work/sway.config"
    "${as_user[@]}" "${env_vars[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.config" >"$work/compositor.log" 2>&1 &
    for _ in $(seq 100); do compgen -G "$work/runtime/wayland-*.lock" >/dev/null && break; sleep 0.1; done
    display=$(basename "$(compgen -G "$work/runtime/wayland-*.lock" | head -n1)" .lock)
fi
"${as_user[@]}" "${env_vars[@]}" WAYLAND_DISPLAY="$display" GDK_BACKEND=wayland \
    python3 "$work/windows.py" >/dev/null 2>&1 &
sleep 8
"${as_user[@]}" "${env_vars[@]}" WAYLAND_DISPLAY="$display" "$build/bench/qarvex_wayland_bench"
