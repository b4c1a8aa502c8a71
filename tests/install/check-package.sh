#!/usr/bin/env bash
# Builds the Debian package and checks what a desktop and Debian's tools look for in it:
# the files where desktops find them, AppStream metadata and a desktop entry that
# validate, a manual page for every option, and no lintian error.
#
# usage: check-package.sh BUILD_FOLDER
set -uo pipefail
build="$1"
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/wait_for.sh"
require_tools cpack dpkg-deb appstreamcli lintian desktop-file-validate
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 20 "$work/cpack.log")"
deb=$(find "$work/out" -maxdepth 1 -name 'qarvex_*.deb' | head -n1)
[ -n "$deb" ] || fail "no package made"
dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/qarvex usr/share/applications/org.qarvex.Qarvex.desktop \
         usr/share/icons/hicolor/48x48/apps/qarvex.png usr/share/icons/hicolor/128x128/apps/qarvex.png \
         usr/share/metainfo/org.qarvex.Qarvex.metainfo.xml usr/share/man/man1/qarvex.1.gz \
         usr/share/gnome-shell/search-providers/org.qarvex.Qarvex.search-provider.ini \
         usr/share/krunner/dbusplugins/org.qarvex.Qarvex.desktop \
         usr/share/dbus-1/services/org.qarvex.Qarvex.service \
         usr/share/qarvex/translations/qtbase_zh_CN.qm \
         usr/share/doc/qarvex/copyright usr/share/doc/qarvex/changelog.gz; do
    [ -s "$work/root/$f" ] || fail "the package lacks /$f"
done
grep -qx 'Exec=/usr/bin/qarvex --tray' "$work/root/usr/share/dbus-1/services/org.qarvex.Qarvex.service" ||
    fail "the bus would not start /usr/bin/qarvex in the tray"
grep -qx 'DesktopId=org.qarvex.Qarvex.desktop' \
    "$work/root/usr/share/gnome-shell/search-providers/org.qarvex.Qarvex.search-provider.ini" ||
    fail "the search provider names another desktop entry"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends lacks the Qt libraries: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Recommends | grep -q xdg-utils || fail "Recommends lacks xdg-utils"

appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.qarvex.Qarvex.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || fail "appstreamcli: $(cat "$work/appstream.log")"
desktop-file-validate "$work/root/usr/share/applications/org.qarvex.Qarvex.desktop" ||
    fail "the desktop entry does not validate"
# Every option --help names is in the manual page.
zcat "$work/root/usr/share/man/man1/qarvex.1.gz" | sed 's/\\-/-/g' >"$work/man.txt"
for option in $(env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C "$work/root/usr/bin/qarvex" --help |
                grep -o '^  --[a-z-]*'); do
    grep -q -- "$option" "$work/man.txt" || fail "the manual page lacks $option"
done
lintian --allow-root "$deb" >"$work/lintian.log" 2>&1
grep '^E:' "$work/lintian.log" && fail "lintian reports errors"
echo "package ok"
