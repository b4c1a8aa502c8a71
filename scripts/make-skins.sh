#!/bin/sh
# Rebuilds the skin pictures, button glyphs and icons in resources/images.
# Needs the Qt 6 Gui and libjpeg development files and a CJK font (fonts-noto-cjk).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2046
c++ -std=c++20 -O1 -fPIC -I"$root" "$root/resources/tools/make_skins.cpp" -o "$work/make_skins" \
    $(pkg-config --cflags --libs Qt6Gui libjpeg)
QT_QPA_PLATFORM=offscreen "$work/make_skins" "$root/resources/images"
