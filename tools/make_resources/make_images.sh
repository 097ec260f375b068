#!/bin/sh
# Regenerates the icons, the logo pictures and the waiting animation under resources/img/.
# Needs python3, rsvg-convert (Debian librsvg2-bin) and ImageMagick's convert (imagemagick).
# The outputs are committed; the build does not run this script.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
img="$here/../../resources/img"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$here/make_icons.py" "$img/assets"
python3 "$here/make_icons.py" --sources "$work"

rsvg-convert -w 64 -h 64 -o "$img/assets/korvane_logo_navigate.png" "$work/logo_navigate.svg"
rsvg-convert -w 136 -h 150 -o "$img/assets/korvane_logo_system_version.png" \
    "$work/logo_system_version.svg"

for frame in "$work"/waiting_*.svg; do
    rsvg-convert -w 150 -h 150 -o "${frame%.svg}.png" "$frame"
done
mkdir -p "$img/icon"
# GIF has one-bit transparency: each frame replaces the last (dispose to background).
convert -delay 8 -loop 0 -dispose Background "$work"/waiting_*.png -strip "$img/icon/waiting.gif"
