#!/usr/bin/python3
"""Writes the font that stands in for 宋体 (SimSun) in the Wine prefixes.

usage: make-dialog-font.py OUTPUT.ttf

The dialog templates assume 宋体 9 pt, whose dialog base units are 6 x 12
pixels. WenQuanYi Zen Hei Sharp, the CJK font at hand, has crisp 12-pixel
bitmaps but a line height of 16 pixels, which makes every dialog a third
taller than its skin. This copy of it gets vertical metrics whose ascent and
descent add up to one em, in the proportion of its own 12-pixel bitmaps
(9 above the baseline, 3 below), an underline two pixels below the baseline
(inside the 12-pixel cell, where 宋体 has it), and a name of its own.
"""
import sys

from fontTools.ttLib import TTCollection

SOURCE = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
SHARP_FACE = 2  # "WenQuanYi Zen Hei Sharp", with embedded bitmaps
FAMILY = "Dialog Song"


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    font = TTCollection(SOURCE).fonts[SHARP_FACE]
    em = font["head"].unitsPerEm
    ascent = em * 3 // 4
    descent = em - ascent
    os2, hhea = font["OS/2"], font["hhea"]
    os2.usWinAscent, os2.usWinDescent = ascent, descent
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = ascent, -descent, 0
    hhea.ascent, hhea.descent, hhea.lineGap = ascent, -descent, 0
    font["post"].underlinePosition = -em // 6
    for record in font["name"].names:
        if record.nameID in (1, 4):
            record.string = FAMILY
        elif record.nameID in (3, 6):
            record.string = FAMILY.replace(" ", "")
    font.save(sys.argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
