#!/usr/bin/env bash
# The real Wayland enumeration of 50 windows: headless sway (as a throwaway user when
# run as root, since sway refuses root) with one GTK program showing 50 windows.
# Usage: bash bench/wayland_bench.sh [build-dir]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
cmake --build "$build" --target qarvex_wayland_bench >/dev/null
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
work=$(mktemp -d /tmp/qarvex-wayland-bench.XXXXXX)
chmod 755 "$work"
mkdir -p "$work/runtime"
as_user=()
user=""
if [ "$(id -u)" -eq 0 ]; then
    user="qarvexwb$$"
    useradd --no-create-home --home-dir "$work" --shell /bin/sh "$user"
    chown "$user" "$work/runtime"
    as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --init-groups --)
fi
chmod 700 "$work/runtime"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -z "$user" ] || userdel "$user" || true
    rm -rf "$work"
}
trap cleanup EXIT
printf 'xwayland disable\n' >"$work/sway.config"
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
env_vars=(env -i "HOME=$work" "PATH=$PATH" "XDG_RUNTIME_DIR=$work/runtime" LANG=C.UTF-8)
"${as_user[@]}" "${env_vars[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do compgen -G "$work/runtime/wayland-*.lock" >/dev/null && break; sleep 0.1; done
display=$(basename "$(compgen -G "$work/runtime/wayland-*.lock" | head -n1)" .lock)
"${as_user[@]}" "${env_vars[@]}" WAYLAND_DISPLAY="$display" GDK_BACKEND=wayland \
    python3 "$work/windows.py" >/dev/null 2>&1 &
pids+=($!)
sleep 5
"${as_user[@]}" "${env_vars[@]}" WAYLAND_DISPLAY="$display" "$build/bench/qarvex_wayland_bench"
