#!/usr/bin/python3
"""Draws the pictures of the client's skinned dialogs into a folder.

usage: draw_skins.py OUTPUT_FOLDER

Every picture has the size its dialog's layout relies on. The backgrounds
leave room where the dialog templates put controls (texts, buttons, the
speech bubble) and carry what no control shows: frames, the title band, the
emblem. The close cross and the push buttons sit on the title band and on the
footer band, whose colours they repeat at their edges.
"""
import os
import sys

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../tools/artwork"))
import kvart  # noqa: E402

BAND_TOP = (0xEC, 0xF3, 0xFD)
BAND_BOTTOM = (0xD3, 0xE3, 0xF8)
BODY_TOP = kvart.PAPER
BODY_BOTTOM = (0xF6, 0xF9, 0xFD)
FOOTER = kvart.MIST
FRAME = (0x8E, 0xAC, 0xD6)


def skinned_background(size, band, footer_top=None, title=None):
    """Title band of height `band`, body, optional footer band, outer frame."""
    width, height = size
    image = kvart.vertical_gradient(size, BODY_TOP, BODY_BOTTOM)
    image.paste(kvart.vertical_gradient((width, band), BAND_TOP, BAND_BOTTOM), (0, 0))
    draw = ImageDraw.Draw(image)
    draw.line([(0, band), (width - 1, band)], fill=kvart.SKY)
    draw.line([(0, band + 1), (width - 1, band + 1)], fill=kvart.ICE)
    if footer_top is not None:
        draw.rectangle([0, footer_top, width - 1, height - 1], fill=FOOTER)
        draw.line([(0, footer_top), (width - 1, footer_top)], fill=kvart.LINE)
    # The emblem at the left of the band, clear of the title at x = 24.
    emblem = min(band - 12, 16)
    kvart.paste(image, kvart.shield(emblem), ((22 - emblem) // 2, (band - emblem) // 2))
    if title:
        kvart.text(image, (24, (band - 12) // 2), title, 12, fill=kvart.NAVY, crisp=True)
    # The window's outline is a rounded rectangle with 7 x 7 corners.
    draw.rounded_rectangle([0, 0, width - 1, height - 1], 3, outline=FRAME)
    return image


def close_cross():
    """The small close button: a white cross on a blue rounded square."""
    s = 13 * 4
    image = kvart.vertical_gradient((s, s), BAND_TOP, BAND_BOTTOM).convert("RGBA")
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([0, 0, s - 1, s - 1], 10, fill=kvart.SKY, outline=kvart.BLUE, width=3)
    draw.line([(14, 14), (s - 15, s - 15)], fill=kvart.PAPER, width=7)
    draw.line([(14, s - 15), (s - 15, 14)], fill=kvart.PAPER, width=7)
    return image.resize((13, 13), Image.LANCZOS).convert("RGB")


def push_button(top, bottom, border, shift=0):
    """83 x 28 face of a push button on the footer band; the text is the program's."""
    s = 4
    w, h = 83 * s, 28 * s
    image = Image.new("RGB", (w, h), FOOTER)
    face = kvart.vertical_gradient((w, h), top, bottom)
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([s, s + shift, w - 1 - s, h - 1 - s], 4 * s, fill=255)
    image.paste(face, (0, 0), mask)
    ImageDraw.Draw(image).rounded_rectangle([s, s + shift, w - 1 - s, h - 1 - s], 4 * s, outline=border, width=s)
    return image.resize((83, 28), Image.LANCZOS)


def update_button(top, bottom, border):
    """73 x 21 face of the update button, an arrow left of where the text goes."""
    s = 4
    w, h = 73 * s, 21 * s
    image = Image.new("RGB", (w, h), BODY_TOP)
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], 3 * s, fill=255)
    image.paste(kvart.vertical_gradient((w, h), top, bottom), (0, 0), mask)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([0, 0, w - 1, h - 1], 3 * s, outline=border, width=s)
    cx, y0, y1 = 8 * s, 5 * s, 16 * s
    draw.polygon([(cx, y0), (cx + 4 * s, y0 + 5 * s), (cx - 4 * s, y0 + 5 * s)], fill=kvart.BLUE)
    draw.rectangle([cx - int(1.5 * s), y0 + 4 * s, cx + int(1.5 * s), y1], fill=kvart.BLUE)
    return image.resize((73, 21), Image.LANCZOS)


def alert_background():
    image = skinned_background((224, 150), 24, footer_top=126, title="Karvex 安全提示")
    # A faint emblem in the lower right of the body, under the end of the text.
    mark = kvart.shield(44, body=(0xEE, 0xF4, 0xFC), rim=(0xE2, 0xEC, 0xF9), light=(0xF3, 0xF7, 0xFD),
                        mark_colour=(0xFA, 0xFC, 0xFF))
    kvart.paste(image, mark, (170, 76))
    kvart.text(image, (214, 132), "Karvex 上网保护", 12, fill=kvart.GREY, crisp=True, anchor="ra")
    return image


def speech_bubble(background):
    """29 x 24: a blue speech bubble with a white exclamation mark, on the
    part of the alert background it covers (at 9, 39)."""
    s = 4
    base = background.crop((9, 39, 9 + 29, 39 + 24)).resize((29 * s, 24 * s), Image.NEAREST)
    draw = ImageDraw.Draw(base)
    draw.rounded_rectangle([1 * s, 1 * s, 27 * s, 17 * s], 6 * s, fill=kvart.BLUE, outline=kvart.NAVY, width=s)
    draw.polygon([(7 * s, 16 * s), (14 * s, 16 * s), (6 * s, 23 * s)], fill=kvart.BLUE)
    draw.line([(7 * s, 16 * s), (6 * s, 23 * s), (14 * s, 16 * s)], fill=kvart.NAVY, width=s)
    draw.rounded_rectangle([int(12.5 * s), 4 * s, int(15.5 * s), 11 * s], s, fill=kvart.PAPER)
    draw.ellipse([int(12.5 * s), int(12.5 * s), int(15.5 * s), int(15.5 * s)], fill=kvart.PAPER)
    return base.resize((29, 24), Image.LANCZOS)


def about_background():
    image = skinned_background((405, 256), 30, footer_top=200)
    draw = ImageDraw.Draw(image)
    kvart.paste(image, kvart.shield(72), (22, 52))
    draw.text((110, 44), "Karvex", font=kvart.font(28), fill=kvart.NAVY)
    draw.text((226, 59), "上网保护", font=kvart.font(14), fill=kvart.BLUE)
    draw.line([(110, 108), (380, 108)], fill=kvart.LINE)
    kvart.text(image, (110, 114), "官方网站", 12, fill=kvart.GREY, crisp=True)
    kvart.text(image, (110, 156), "守护您每一次上网的安全。", 12, fill=kvart.GREY, crisp=True)
    kvart.text(image, (22, 222), "Copyright © Ordwell", 12, fill=kvart.GREY, crisp=True)
    return image


def options_background():
    image = skinned_background((585, 346), 30, footer_top=292, title="Karvex - 选项设置")
    draw = ImageDraw.Draw(image)
    for y, heading in ((72, "常规"), (184, "升级")):
        draw.rectangle([18, y + 2, 20, y + 11], fill=kvart.BLUE)
        kvart.text(image, (25, y), heading, 12, fill=kvart.NAVY, crisp=True)
    return image


def save_gif89a(image, path):
    """A GIF with the header of its 1989 version, as the dialogs' pictures carry."""
    kvart.save_gif(image, path)
    with open(path, "r+b") as f:
        if f.read(6) == b"GIF87a":
            f.seek(0)
            f.write(b"GIF89a")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def path(name):
        return os.path.join(out, name)

    save_gif89a(close_cross(), path("close.gif"))
    save_gif89a(push_button((0xFF, 0xFF, 0xFF), (0xE3, 0xEC, 0xF7), (0x9F, 0xB6, 0xD3)), path("button_normal.gif"))
    save_gif89a(push_button((0xF2, 0xF8, 0xFF), (0xC4, 0xDC, 0xFA), kvart.BLUE), path("button_hover.gif"))
    save_gif89a(push_button((0xB9, 0xD2, 0xF2), (0xDD, 0xEA, 0xFA), kvart.NAVY, shift=4), path("button_pressed.gif"))
    alert = alert_background()
    save_gif89a(alert, path("alert.gif"))
    kvart.save_bmp(speech_bubble(alert), path("alert_bubble.bmp"))
    save_gif89a(about_background(), path("about.gif"))
    save_gif89a(options_background(), path("options.gif"))
    kvart.save_bmp(update_button((0xFF, 0xFF, 0xFF), (0xE3, 0xEC, 0xF7), (0x9F, 0xB6, 0xD3)), path("update_normal.bmp"), bits=8)
    kvart.save_bmp(update_button((0xF2, 0xF8, 0xFF), (0xC4, 0xDC, 0xFA), kvart.BLUE), path("update_hover.bmp"), bits=8)


if __name__ == "__main__":
    main()
