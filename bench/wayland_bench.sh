#!/usr/bin/env bash
# The real Wayland enumeration of 50 windows: headless sway, KWin's virtual backend or
# headless GNOME Shell with Qarvex's extension (as a throwaway user when run as root:
# sway and the Shell refuse root) with one GTK program showing 50 windows.
# Usage: bash bench/wayland_bench.sh [build-dir] [sway|kwin|gnome]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
compositor="${2:-sway}"
cmake --build "$build" --target qarvex_wayland_bench e2e_wayland_scan >/dev/null
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
    if [ -n "$user" ]; then
        for _ in $(seq 1 50); do pgrep -U "$uid" >/dev/null || break; sleep 0.1; done
        userdel -f "$user" || true
    fi
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
if [ "$compositor" = gnome ]; then
    # logind, which the Shell wants, mocked on a "system" bus of our own.
    "${as_user[@]}" "${env_vars[@]}" dbus-daemon --session --fork --nopidfile \
        --address="unix:path=$work/runtime/system_bus" --print-address=3 3>"$work/sbus" >/dev/null 2>&1
    env_vars+=("DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/runtime/system_bus"
               "XDG_DATA_HOME=$work/home/.local/share" "XDG_CONFIG_HOME=$work/home/.config")
    "${as_user[@]}" "${env_vars[@]}" python3 -m dbusmock --template logind --system >/dev/null 2>&1 &
    "${as_user[@]}" "${env_vars[@]}" dbus-daemon --session --fork --nopidfile \
        --print-address=3 3>"$work/bus" >/dev/null 2>&1
    env_vars+=("DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")")
    version=$(gnome-shell --version | sed -n 's/^GNOME Shell \([0-9]*\).*/\1/p')
    "${as_user[@]}" "${env_vars[@]}" "$build/tests/e2e_wayland_scan" install-gnome-extension "$version"
    "${as_user[@]}" "${env_vars[@]}" gsettings set org.gnome.shell enabled-extensions \
        "['qarvex-windows@qarvex.org']"
    "${as_user[@]}" "${env_vars[@]}" gnome-shell --headless --wayland --no-x11 \
        --wayland-display wayland-bench --virtual-monitor 1280x800 >"$work/compositor.log" 2>&1 &
    for _ in $(seq 300); do [ -S "$work/runtime/wayland-bench" ] && break; sleep 0.1; done
    display=wayland-bench
elif [ "$compositor" = kwin ]; then
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
