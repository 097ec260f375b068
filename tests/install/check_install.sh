#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop finds there: the menu
# entry, the AppStream metadata, the icons, the recording file type, the manual pages and the
# installed command-line tool.
#   check_install.sh BUILD_DIR
set -euo pipefail

build=$1
app_id=com.korvane.Ostrel
type=application/x-event-camera-recording
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
share=$root/usr/share

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs a validator that must neither fail nor print anything.
quiet() {
    local out
    out=$("$@" 2>&1) || fail "$* exited with status $?: $out"
    [ -z "$out" ] || fail "$* printed: $out"
}

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

quiet desktop-file-validate "$share/applications/$app_id.desktop"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" >/dev/null ||
    fail "appstreamcli validate: $(appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml")"
# The tree check also finds the desktop file that the metadata launches.
appstreamcli validate-tree --no-net "$root" >/dev/null ||
    fail "appstreamcli validate-tree: $(appstreamcli validate-tree --no-net "$root")"
quiet xmllint --noout "$share/mime/packages/$app_id.xml"

for page in ostrel ostrel-raw; do
    MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1.gz" >"$work/$page.txt" 2>"$work/$page.err" ||
        fail "man $page exited with status $?"
    [ ! -s "$work/$page.err" ] || fail "man $page warns: $(cat "$work/$page.err")"
    grep -q "^NAME" "$work/$page.txt" || fail "man $page renders no NAME section"
done

# PNG width and height are the big-endian words at bytes 16 and 20.
for size in 16 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x$size/apps/$app_id.png
    [ -f "$png" ] || fail "no $size px icon"
    read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
    [ "$width $height" = "$size $size" ] || fail "$size px icon is $width x $height"
done
[ -f "$share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "no scalable icon"
[ -f "$share/doc/ostrel/copyright" ] || fail "no copyright file"

# A recording made by the installed tool, and files that only look like one by their name.
tool=$root/usr/bin/ostrel-raw
samples=$work/samples
mkdir -p "$samples"
"$tool" generate "$samples/recording.raw" --seconds 0.2 >/dev/null
info=$("$tool" info "$samples/recording.raw" 2>/dev/null) || fail "installed ostrel-raw info failed"
grep -qx "format: EVT3" <<<"$info" || fail "ostrel-raw info: $info"
grep -qE "^events: [1-9]" <<<"$info" || fail "ostrel-raw info counts no events: $info"
head -c 4096 /dev/urandom >"$samples/binary.raw"
printf 'IIU\0\10\0\0\0' | cat - "$samples/binary.raw" >"$samples/photo.raw"
printf '%% format of these notes\nplain text\n' >"$samples/notes.txt"

# The file type is checked in a MIME database of Debian's types plus ours, as both the generic
# desktop (xdg-mime, through File::MimeInfo) and GLib see it.
desktop=(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_SESSION_VERSION
    -u GNOME_DESKTOP_SESSION_ID XDG_DATA_DIRS="$work/share" XDG_DATA_HOME="$work/empty"
    XDG_CONFIG_HOME="$work/empty" XDG_CONFIG_DIRS="$work/empty")
mkdir -p "$work/share/mime/packages" "$work/empty"
cp /usr/share/mime/packages/freedesktop.org.xml "$share/mime/packages/$app_id.xml" \
    "$work/share/mime/packages/"
# Debian ships no schema for MIME packages; update-mime-database reports what it rejects (and
# still exits with 0), so any output fails.
quiet "${desktop[@]}" PKGSYSTEM_ENABLE_FSYNC=0 update-mime-database "$work/share/mime"
cp -r "$share/applications" "$work/share/"
quiet update-desktop-database "$work/share/applications"

# Qt's MIME database (KDE) lets the name decide between globs of equal weight, so ours must
# weigh less than every other *.raw glob: only the header, never the name, makes a recording.
globs=$work/share/mime/globs2
weight=$(awk -F: -v t="$type" '$2 == t && $3 == "*.raw" { print $1 }' "$globs")
[ -n "$weight" ] || fail "no *.raw glob for $type"
! awk -F: -v t="$type" -v w="$weight" '$2 != t && $3 == "*.raw" && $1 <= w { f = 1 } END { exit !f }' \
    "$globs" || fail "the *.raw glob of $type (weight $weight) is not below the other *.raw globs"

expect_type() {
    local file=$1 expected=$2 found
    found=$("${desktop[@]}" xdg-mime query filetype "$samples/$file")
    [ "$found" = "$expected" ] || fail "xdg-mime: $file is $found, not $expected"
    found=$("${desktop[@]}" gio info -a standard::content-type "$samples/$file" |
        sed -n 's/^ *standard::content-type: //p')
    [ "$found" = "$expected" ] || fail "gio: $file is $found, not $expected"
}
expect_type recording.raw "$type"
expect_type binary.raw image/x-panasonic-rw
expect_type photo.raw image/x-panasonic-rw
expect_type notes.txt text/plain
found=$("${desktop[@]}" xdg-mime query default "$type")
[ "$found" = "$app_id.desktop" ] || fail "xdg-mime default for $type is '$found'"

echo "install checks passed"
