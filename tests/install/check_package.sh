#!/usr/bin/env bash
# Builds the Debian package in BUILD_DIR, installs it with apt, uses what it installed, purges
# it and checks that none of its files is left. Changes the system: meant for CI machines.
#   check_package.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
type=application/x-event-camera-recording
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
work=$(mktemp -d)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

purge() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get purge -y -q ostrel >/dev/null
}
trap 'dpkg-query -W ostrel >/dev/null 2>&1 && purge; rm -rf "$work"' EXIT

(cd "$build" && rm -f ostrel_*.deb && cpack -G DEB >/dev/null)
deb=$(echo "$build"/ostrel_*.deb)
[ -f "$deb" ] || fail "cpack made no package"
echo "package: $(basename "$deb"), Depends: $(dpkg-deb -f "$deb" Depends)"
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "$deb" >/dev/null
dpkg-query -L ostrel >"$work/files"

cd "$work"
/usr/bin/ostrel-raw generate recording.raw --seconds 0.2 >/dev/null
/usr/bin/ostrel-raw info recording.raw 2>/dev/null | grep -qx "format: EVT3" ||
    fail "installed ostrel-raw info does not read a recording"
found=$(xdg-mime query filetype recording.raw)
[ "$found" = "$type" ] || fail "xdg-mime query filetype: $found"
found=$(xdg-mime query default "$type")
[ "$found" = "com.korvane.Ostrel.desktop" ] || fail "xdg-mime query default: '$found'"
man -w ostrel-raw >/dev/null || fail "man ostrel-raw finds no page"

purge
# Directories may stay only where another package owns them.
while read -r path; do
    if [ -d "$path" ]; then
        dpkg-query -S "$path" >/dev/null 2>&1 || fail "directory left after purge: $path"
    elif [ -e "$path" ]; then
        fail "left after purge: $path"
    fi
done <"$work/files"
found=$(xdg-mime query filetype recording.raw)
[ "$found" != "$type" ] || fail "the file type is still known after purge"
echo "package installed, used and purged without leftovers"
