#!/usr/bin/env python3
"""Converts an OpenType font with CFF outlines into one with TrueType (glyf) outlines.

Usage: cff_to_truetype.py INPUT.otf OUTPUT.ttf
Cubic curves become quadratic ones within one font unit.
"""

import sys

from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable


def convert(source, target):
    # Keep the source's dates so that re-running the script gives the same bytes.
    font = TTFont(source, recalcTimestamp=False)
    order = font.getGlyphOrder()
    glyph_set = font.getGlyphSet()

    glyf = newTable("glyf")
    glyf.glyphOrder = order
    glyf.glyphs = {}
    for name in order:
        pen = TTGlyphPen(glyph_set)
        # CFF contours run counter-clockwise, TrueType ones clockwise.
        glyph_set[name].draw(Cu2QuPen(pen, max_err=1.0, reverse_direction=True))
        glyf[name] = pen.glyph()

    del font["CFF "]
    font["glyf"] = glyf
    font["loca"] = newTable("loca")
    font["head"].glyphDataFormat = 0

    maxp = font["maxp"]
    maxp.tableVersion = 0x00010000
    for field in ("maxZones",):
        setattr(maxp, field, 1)
    for field in ("maxTwilightPoints", "maxStorage", "maxFunctionDefs", "maxInstructionDefs",
                  "maxStackElements", "maxSizeOfInstructions", "maxComponentElements",
                  "maxComponentDepth", "maxPoints", "maxContours", "maxCompositePoints",
                  "maxCompositeContours"):
        setattr(maxp, field, 0)

    post = font["post"]
    post.formatType = 3.0
    font.sfntVersion = "\x00\x01\x00\x00"
    font.save(target)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        sys.exit(2)
    convert(sys.argv[1], sys.argv[2])
