#!/bin/sh
# Builds resources/font/NotoSansSC-Medium.ttf, a small subset of Noto Sans CJK SC Medium
# (SIL Open Font License 1.1), and its licence file resources/font/OFL.txt.
# Needs python3-fonttools and the Debian package fonts-noto-cjk-extra (Medium weight).
# The outputs are committed; the build does not run this script.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/../../resources/font"
source_font=/usr/share/fonts/opentype/noto/NotoSansCJK-Medium.ttc
licence=/usr/share/doc/fonts-noto-cjk/copyright
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Face 2 of the collection is Simplified Chinese. Keep Basic Latin, Latin-1, general punctuation
# and the two characters of the UI's CJK family name (U+9ED1 U+4F53).
python3 -m fontTools.subset "$source_font" --font-number=2 \
    --unicodes='U+0020-007E,U+00A0-00FF,U+2000-206F,U+9ED1,U+4F53' \
    --layout-features='kern,liga,locl' --name-IDs='0,1,2,3,4,5,6,13,14,16,17' \
    --drop-tables+=VORG,vhea,vmtx,BASE --no-hinting --desubroutinize \
    --output-file="$work/subset.otf"

mkdir -p "$out"
python3 "$here/cff_to_truetype.py" "$work/subset.otf" "$out/NotoSansSC-Medium.ttf"

# Licence: the font's own copyright notice followed by the OFL text Debian ships with the font.
{
    python3 -c 'import sys; from fontTools.ttLib import TTFont
print(TTFont(sys.argv[1])["name"].getDebugName(0))' "$out/NotoSansSC-Medium.ttf"
    echo
    # The stand-alone licence paragraph: "License: SIL-1.1" after a blank line, then indented text.
    awk 'start && !/^ / { exit }
         start { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }
         prev == "" && $0 == "License: SIL-1.1" { start = 1 }
         { prev = $0 }' "$licence"
} > "$out/OFL.txt"
