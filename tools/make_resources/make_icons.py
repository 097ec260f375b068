#!/usr/bin/env python3
"""Writes Ostrel's SVG icons and the SVG sources of its raster images.

Usage:
    make_icons.py ASSETS_DIR            the icons referenced by resources.qrc
    make_icons.py --sources SOURCE_DIR  logo and spinner frames rendered to PNG/GIF by make_images.sh

Every icon is flat SVG Tiny 1.2 (no CSS, filters, masks or text) so that QtSvg draws it exactly.
"""

import math
import os
import sys

ACCENT = "#004B6A"
ACCENT_LIGHT = "#1E6E8F"
ACCENT_DARK = "#00364D"
HOVER_BG = "#E5ECF0"
PANEL_HOVER_BG = "#E1E9ED"
GREY_TEXT = "#808080"
GREY_DARK = "#575757"
GREY_DARKER = "#404040"
BUTTON_HOVER_BG = "#E6E6E6"
BUTTON_PRESSED_BG = "#D2D2D2"
BORDER = "#A7A7A7"
DISABLED = "#C3C3C3"
WHITE = "#FFFFFF"
RED = "#FF6058"
RED_DARK = "#E0483F"


def svg(width, height, body, view=None):
    view = view or f"0 0 {width} {height}"
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
        f'width="{width}" height="{height}" viewBox="{view}">\n'
        + "".join(f"  {element}\n" for element in body)
        + "</svg>\n"
    )


def stroke(colour, width):
    return (f'fill="none" stroke="{colour}" stroke-width="{width}" '
            'stroke-linecap="round" stroke-linejoin="round"')


def solid(colour):
    return f'fill="{colour}" stroke="{colour}" stroke-width="1.5" stroke-linejoin="round"'


# Play bar: 50 x 50 round buttons. Each state is (ring fill, ring stroke, glyph colour).
PLAYBAR_STATES = {
    "": (WHITE, ACCENT, ACCENT),
    "_Hover": (HOVER_BG, ACCENT_LIGHT, ACCENT_LIGHT),
    "_Pressed": (ACCENT_DARK, ACCENT_DARK, WHITE),
    "_Selected": (ACCENT, ACCENT, WHITE),
    "_Disable": (WHITE, DISABLED, DISABLED),
}


def glyph_play(c):
    return [f'<path d="M20 16 L34 25 L20 34 Z" {solid(c)}/>']


def glyph_pause(c):
    return [f'<rect x="18" y="16" width="5" height="18" rx="1.5" fill="{c}"/>',
            f'<rect x="27" y="16" width="5" height="18" rx="1.5" fill="{c}"/>']


def glyph_stop(c):
    return [f'<rect x="17.5" y="17.5" width="15" height="15" rx="2" fill="{c}"/>']


def glyph_backward(c):
    return [f'<path d="M24 18 L15 25 L24 32 Z" {solid(c)}/>',
            f'<path d="M34 18 L25 25 L34 32 Z" {solid(c)}/>']


def glyph_forward(c):
    return [f'<path d="M16 18 L25 25 L16 32 Z" {solid(c)}/>',
            f'<path d="M26 18 L35 25 L26 32 Z" {solid(c)}/>']


def glyph_loop(c):
    return [f'<path d="M15 28 V24 C15 20.5 17 18.5 20.5 18.5 H31" {stroke(c, 2.4)}/>',
            f'<path d="M30 14.5 L35 18.5 L30 22.5 Z" {solid(c)}/>',
            f'<path d="M35 22 V26 C35 29.5 33 31.5 29.5 31.5 H19" {stroke(c, 2.4)}/>',
            f'<path d="M20 27.5 L15 31.5 L20 35.5 Z" {solid(c)}/>']


def glyph_record(c):
    # The record dot keeps its red in every active state so it reads as "record" at a glance.
    dot = DISABLED if c == DISABLED else RED
    return [f'<circle cx="25" cy="25" r="8.5" fill="{dot}"/>']


def playbar_icon(glyph, state):
    fill, ring, colour = PLAYBAR_STATES[state]
    body = [f'<circle cx="25" cy="25" r="23.5" fill="{fill}" stroke="{ring}" stroke-width="1.5"/>']
    return svg(50, 50, body + glyph(colour))


PLAYBAR_ICONS = {
    "btn_playbar_record": (glyph_record, ["", "_Hover", "_Pressed", "_Disable"]),
    "btn_playbar_backward": (glyph_backward, ["", "_Hover", "_Pressed", "_Disable"]),
    "btn_playbar_play": (glyph_play, ["", "_Hover", "_Pressed", "_Disable"]),
    "btn_playbar_pause": (glyph_pause, ["", "_Hover", "_Pressed"]),
    "btn_playbar_stop": (glyph_stop, ["", "_Hover", "_Pressed", "_Disable"]),
    "btn_playbar_forward": (glyph_forward, ["", "_Hover", "_Pressed", "_Disable"]),
    "btn_playbar_loop": (glyph_loop, ["", "_Hover", "_Pressed", "_Selected", "_Disable"]),
}


# Title-bar window buttons: 30 x 30 grey glyphs, a rounded backdrop on hover and press.
def window_minimize(c):
    return [f'<path d="M9 15.5 H21" {stroke(c, 1.6)}/>']


def window_maximize(c):
    return [f'<rect x="9.5" y="9.5" width="11" height="11" rx="1.5" {stroke(c, 1.6)}/>']


def window_close(c, width=1.6):
    return [f'<path d="M10 10 L20 20 M20 10 L10 20" {stroke(c, width)}/>']


def backdrop(colour, opacity=None):
    alpha = f' fill-opacity="{opacity}"' if opacity is not None else ""
    return [f'<rect x="0" y="0" width="30" height="30" rx="5" fill="{colour}"{alpha}/>']


def window_icons():
    icons = {}
    for name, glyph in (("btn_Nav_MinimizeWindow", window_minimize),
                        ("btn_Nav_MaximizeWindow", window_maximize)):
        icons[name] = svg(30, 30, glyph(GREY_TEXT))
        icons[name + "_Hover"] = svg(30, 30, backdrop(BUTTON_HOVER_BG) + glyph(GREY_DARK))
        icons[name + "_Pressed"] = svg(30, 30, backdrop(BUTTON_PRESSED_BG) + glyph(GREY_DARKER))
    close = "btn_Nav_CloseWindow"
    icons[close] = svg(30, 30, window_close(GREY_TEXT))
    icons[close + "_Hover"] = svg(30, 30, backdrop(RED) + window_close(WHITE))
    icons[close + "_Pressed"] = svg(30, 30, backdrop(RED_DARK) + window_close(WHITE))
    # Dialog title bars are accent blue: a white cross with a translucent backdrop.
    white = "btn_Nav_CloseWindow_White"
    icons[white] = svg(30, 30, window_close(WHITE, 2))
    icons[white + "_Hover"] = svg(30, 30, backdrop(WHITE, 0.2) + window_close(WHITE, 2))
    icons[white + "_Pressed"] = svg(30, 30, backdrop("#000000", 0.25) + window_close(WHITE, 2))
    return icons


# Side-bar toggle of the settings panel: a "sliders" glyph, 40 x 40.
def settings_glyph(c):
    body = []
    for y, knob in ((13, 16), (20, 24), (27, 19)):
        body.append(f'<path d="M11 {y} H29" {stroke(c, 1.8)}/>')
        body.append(f'<circle cx="{knob}" cy="{y}" r="2.8" fill="{c}"/>')
    return body


def settings_icons():
    def tile(colour):
        return [f'<rect x="0" y="0" width="40" height="40" rx="5" fill="{colour}"/>']

    name = "btn_toolbar_setting"
    return {
        name: svg(40, 40, settings_glyph(GREY_TEXT)),
        name + "_Hover": svg(40, 40, tile(PANEL_HOVER_BG) + settings_glyph(ACCENT)),
        name + "_Pressed": svg(40, 40, tile(ACCENT) + settings_glyph(WHITE)),
        name + "_open_hover": svg(40, 40, tile(ACCENT_LIGHT) + settings_glyph(WHITE)),
    }


# Numeric setting rows: round minus and plus buttons, the slider thumb.
def setting_row_icons():
    def button(sign, pressed):
        ring = (f'<circle cx="10" cy="10" r="9" fill="{ACCENT}"/>' if pressed else
                f'<circle cx="10" cy="10" r="9" fill="{WHITE}" stroke="{BORDER}" stroke-width="1.2"/>')
        colour = WHITE if pressed else ACCENT
        d = "M6 10 H14" if sign == "minus" else "M6 10 H14 M10 6 V14"
        return svg(20, 20, [ring, f'<path d="{d}" {stroke(colour, 1.8)}/>'])

    icons = {}
    for sign in ("minus", "plus"):
        icons[f"btn_setting_{sign}"] = button(sign, False)
        icons[f"btn_setting_{sign}_pressed"] = button(sign, True)
    icons["btn_setting_thumbs"] = svg(18, 18, [
        f'<circle cx="9" cy="9" r="8.5" fill="{ACCENT}"/>',
        f'<circle cx="9" cy="9" r="3" fill="{WHITE}"/>'])
    return icons


# Timeline handle: drawn into a 10 px wide handle over a 10 px groove, so a tall pill shows best.
def timeline_handle(colour):
    return svg(12, 28, [f'<rect x="1" y="1" width="10" height="26" rx="5" fill="{WHITE}" '
                        f'stroke="{colour}" stroke-width="2"/>'])


# Fold buttons and combo-box arrows: 16 x 16 chevrons; the pressed forms sit on a light disc.
def chevron(up, pressed):
    d = "M4 10 L8 6 L12 10" if up else "M4 6 L8 10 L12 6"
    body = [f'<circle cx="8" cy="8" r="8" fill="{PANEL_HOVER_BG}"/>'] if pressed else []
    return svg(16, 16, body + [f'<path d="{d}" {stroke(ACCENT_DARK if pressed else ACCENT, 1.8)}/>'])


def search_icon():
    return svg(50, 50, [f'<circle cx="23" cy="23" r="8" {stroke(ACCENT, 2.6)}/>',
                        f'<path d="M29 29 L35 35" {stroke(ACCENT, 3.2)}/>'])


def camera_icon():
    return svg(50, 50, [
        f'<rect x="18" y="11" width="10" height="6" rx="1.5" fill="{ACCENT}"/>',
        f'<rect x="9" y="15" width="32" height="23" rx="4" fill="{ACCENT}"/>',
        f'<circle cx="25" cy="26.5" r="7.5" fill="{WHITE}"/>',
        f'<circle cx="25" cy="26.5" r="4.2" fill="{ACCENT}"/>',
        f'<circle cx="35.5" cy="19.5" r="1.6" fill="{WHITE}"/>'])


# The Korvane mark: an accent tile with a lens ring and one "event" dot, 28 x 28 units.
def logo_mark():
    return [f'<rect x="0" y="0" width="28" height="28" rx="7" fill="{ACCENT}"/>',
            f'<circle cx="14" cy="14" r="6.5" fill="none" stroke="{WHITE}" stroke-width="2.4"/>',
            f'<circle cx="14" cy="14" r="2.2" fill="{WHITE}"/>',
            f'<circle cx="22" cy="6" r="1.7" fill="{WHITE}"/>']


# "Korvane" in geometric stroked letters: cap height 6..21, x-height 11..21, x from 36 to 118.
WORDMARK_PATHS = [
    "M36 6 V21 M45 6 L37.5 14.5 M39.8 12.2 L45.5 21",                     # K
    "M53 11 C55.76 11 58 13.24 58 16 C58 18.76 55.76 21 53 21 "
    "C50.24 21 48 18.76 48 16 C48 13.24 50.24 11 53 11 Z",                 # o
    "M62 11 V21 M62 15.5 C62 12.5 64 11 67.5 11",                          # r
    "M70 11 L74.5 21 L79 11",                                              # v
    "M86 11 C88.76 11 91 13.24 91 16 C91 18.76 88.76 21 86 21 "
    "C83.24 21 81 18.76 81 16 C81 13.24 83.24 11 86 11 Z M91 11 V21",      # a
    "M95 11 V21 M95 15.5 C95 12.5 97 11 99.5 11 C102 11 104 12.5 104 15.5 V21",  # n
    "M107.5 16 H117.5 C117.5 13.24 115.26 11 112.5 11 C109.74 11 107.5 13.24 107.5 16 "
    "C107.5 18.76 109.74 21 112.5 21 C114.2 21 115.7 20.2 116.6 18.9",    # e
]


def wordmark(colour):
    return [f'<path d="{d}" {stroke(colour, 2.4)}/>' for d in WORDMARK_PATHS]


def title_logo():
    return svg(120, 28, logo_mark() + wordmark(ACCENT))


def asset_icons():
    icons = {}
    for base, (glyph, states) in PLAYBAR_ICONS.items():
        for state in states:
            icons[base + state] = playbar_icon(glyph, state)
    icons.update(window_icons())
    icons.update(settings_icons())
    icons.update(setting_row_icons())
    icons["btn_playbar_SelectionPoint"] = timeline_handle(ACCENT)
    icons["btn_playbar_thumbs_disable"] = timeline_handle(DISABLED)
    icons["bnt_arrow_up"] = chevron(True, False)
    icons["bnt_arrow_down"] = chevron(False, False)
    icons["Pressed"] = chevron(True, True)
    icons["Pressed-1"] = chevron(False, True)
    icons["btn_search"] = search_icon()
    icons["btn_camera"] = camera_icon()
    icons["img_logo_Korvane"] = title_logo()
    return icons


# Raster sources. The start-up picture: the mark above the word, 136 x 150.
def version_picture():
    mark = f'<g transform="translate(24 6) scale(3.142857)">{"".join(logo_mark())}</g>'
    # With its strokes the word spans x 34.8..118.7, centred on 76.75: scaled by 1.4 around 68.
    word = (f'<g transform="translate(-39.45 106) scale(1.4)">'
            f'{"".join(wordmark(ACCENT))}</g>')
    return svg(136, 150, [mark, word])


def window_icon_source():
    return svg(64, 64, logo_mark(), view="0 0 28 28")


# Busy spinner: twelve dots fading from accent to a light tint; frame k turns by k steps.
def spinner_frame(k, count=12):
    body = []
    for i in range(count):
        age = (k - i) % count  # 0 is the leading dot, larger ages trail behind it
        t = age / (count - 1)
        colour = mix(ACCENT, "#C9D9E0", t)
        radius = 9.0 - 4.5 * t
        angle = 2 * math.pi * i / count - math.pi / 2
        x = 75 + 50 * math.cos(angle)
        y = 75 + 50 * math.sin(angle)
        body.append(f'<circle cx="{x:.2f}" cy="{y:.2f}" r="{radius:.2f}" fill="{colour}"/>')
    return svg(150, 150, body)


def mix(a, b, t):
    ca = [int(a[i:i + 2], 16) for i in (1, 3, 5)]
    cb = [int(b[i:i + 2], 16) for i in (1, 3, 5)]
    return "#" + "".join(f"{round(x + (y - x) * t):02X}" for x, y in zip(ca, cb))


def write_all(directory, files):
    os.makedirs(directory, exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(directory, name + ".svg"), "w", encoding="utf-8") as f:
            f.write(text)


def main(argv):
    if len(argv) == 2:
        write_all(argv[1], asset_icons())
    elif len(argv) == 3 and argv[1] == "--sources":
        sources = {"logo_navigate": window_icon_source(), "logo_system_version": version_picture()}
        sources.update({f"waiting_{k:02d}": spinner_frame(k) for k in range(12)})
        write_all(argv[2], sources)
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
