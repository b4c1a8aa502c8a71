#!/usr/bin/env bash
# Installs the build into a scratch root and checks that the program, its application-menu
# entry and its icons land where desktops look for them.
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
for f in usr/bin/qarvex usr/share/applications/org.qarvex.Qarvex.desktop \
         usr/share/icons/hicolor/48x48/apps/qarvex.png usr/share/icons/hicolor/128x128/apps/qarvex.png; do
  [ -s "$root/$f" ] || { echo "missing: /$f"; exit 1; }
done
[ -x "$root/usr/bin/qarvex" ] || { echo "not executable: /usr/bin/qarvex"; exit 1; }
grep -qx 'Exec=qarvex' "$root/usr/share/applications/org.qarvex.Qarvex.desktop"
grep -qx 'Icon=qarvex' "$root/usr/share/applications/org.qarvex.Qarvex.desktop"
# The browser engine comes as a module loaded on first use, from the library folder beside
# the program; the program itself must not pull the engine in at every start.
module=$(find "$root/usr/lib" -path '*/qarvex/libqarvex_webengine.so' | head -1)
[ -n "$module" ] || { echo "missing: the browser-engine module under /usr/lib"; exit 1; }
# ... at the place the program looks for it, relative to its own folder.
relative=$(realpath -m --relative-to="$root/usr/bin" "$(dirname "$module")")
# (Its UTF-16 text is looked for as bytes: strings(1) misses it when the bytes before it
# happen to read as text too.)
python3 -c 'import sys; sys.exit(sys.argv[2].encode("utf-16-le") not in open(sys.argv[1], "rb").read())' \
    "$root/usr/bin/qarvex" "$relative" || { echo "the program does not look in $relative"; exit 1; }
if ldd "$root/usr/bin/qarvex" | grep -Ei 'webengine|quick|qml'; then
  echo "the program links the browser engine"; exit 1
fi
echo "install layout ok"
