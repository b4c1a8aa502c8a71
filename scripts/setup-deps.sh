#!/usr/bin/env bash
# Installs the Debian packages that building and running Qarvex need; with --test also
# those its tests, benchmarks and checks need (headless desktops, real browsers and
# compositors, the packaging checks).
# Safe to run again: apt-get skips what is already there.
#
# usage: setup-deps.sh [--test]
set -euo pipefail

with_tests=false
case "${1:-}" in
  "") ;;
  --test) with_tests=true ;;
  *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache
  # Qt 6 and the libraries the program links
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-webengine-dev libgl-dev libvulkan-dev libxkbcommon-dev
  libjpeg-dev liblz4-dev nlohmann-json3-dev libicu-dev
  # every pinyin reading of each Chinese character, for finding names by their pinyin
  rime-data-pinyin-simp
  libxcb1-dev libxcb-res0-dev libxcb-ewmh-dev libxcb-icccm4-dev libx11-dev
  # the Wayland protocol code generator and client library
  libwayland-dev libwayland-bin
  # running: the Wayland platform plugin, SVG icons (many applications install only an
  # SVG in hicolor: xterm, GNOME Calculator), the default handler for files and pages
  qt6-wayland libqt6svg6 xdg-utils
  # a CJK font for the Chinese interface, and Qt's own texts (dialog buttons, edit menus) in Chinese
  fonts-noto-cjk qt6-translations-l10n
  # KDE's activity database is read through SQLite
  libsqlite3-dev
)

test_packages=(
  git clang clang-format libclang-rt-14-dev
  # a session manager of the tests' own (X11 session management)
  libsm-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # the export tests read the files back with a standard CSV and JSON reader
  python3
  xvfb xauth openbox dbus dbus-x11 x11-utils xdotool procps
  # a real browser for the end-to-end test of its session file
  chromium
  # real GTK and Python programs whose windows the end-to-end tests map to applications
  python3-gi gir1.2-gtk-3.0
  # headless compositors (wlroots, KWin, GNOME Shell with a mock logind) and a native
  # Wayland terminal for the end-to-end tests
  sway xwayland foot kwin-wayland gnome-shell python3-dbusmock
  # the package's checks
  appstream lintian desktop-file-utils
  # the recent-files tests: the sqlite3 tool makes a Plasma activity database (GTK,
  # writing the list, is python3-gi and gir1.2-gtk-3.0 above)
  sqlite3
  # a real replication engine between two copies of the program, for the shared folder
  syncthing
)
if $with_tests; then
  packages+=("${test_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
