"""Drawing primitives shared by the pictures of the client and the installer.

The pictures are drawn by scripts at build time, so that their sources are
text and every picture follows one palette: the blue of the tray shield, white
panels on a cool light grey, orange for warnings. Run with Debian's python3
(python3-pil).
"""
from PIL import Image, ImageDraw, ImageFont

# Palette (RGB).
NAVY = (0x17, 0x3A, 0x8C)       # shield rim, headings
BLUE = (0x2F, 0x6F, 0xD6)       # brand blue
SKY = (0x5B, 0x95, 0xEC)        # light brand blue
ICE = (0xDF, 0xEC, 0xFB)        # pale blue fills
PAPER = (0xFF, 0xFF, 0xFF)      # panels
MIST = (0xF3, 0xF6, 0xFA)       # window background
LINE = (0xC9, 0xD6, 0xE6)       # frames and separators
INK = (0x26, 0x2B, 0x33)        # body text
GREY = (0x8A, 0x93, 0x9E)       # secondary text
ORANGE = (0xE9, 0x89, 0x39)     # warnings (the alert text colour)
RED = (0xD9, 0x3B, 0x2F)        # prohibition
GREEN = (0x3C, 0xA5, 0x5C)      # success marks

# The CJK font of the build machine (fonts-wqy-zenhei): face 0 is the smooth
# outline face, face 2 the one with crisp 12-pixel bitmaps.
FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"


def font(size, crisp=False):
    return ImageFont.truetype(FONT_FILE, size, index=2 if crisp else 0)


def blend(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def vertical_gradient(size, top, bottom):
    width, height = size
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    for y in range(height):
        draw.line([(0, y), (width - 1, y)], fill=blend(top, bottom, y / max(1, height - 1)))
    return image


def rounded_panel(image, box, radius, fill, outline=None, width=1):
    ImageDraw.Draw(image).rounded_rectangle(box, radius, fill=fill, outline=outline, width=width)


def shield(size, body=BLUE, rim=NAVY, light=SKY, mark="cross", mark_colour=PAPER):
    """The product's shield emblem, `size` pixels square, on transparency.

    mark: "cross" (protection on), "check" (installed), None (plain).
    Drawn four times larger and reduced, for smooth edges.
    """
    s = size * 4
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    def outline(inset):
        left, right = inset, s - 1 - inset
        top, bottom = inset, s - 1 - inset
        mid = s / 2
        shoulder = top + (bottom - top) * 0.16
        waist = top + (bottom - top) * 0.55
        return [(mid, top), (right, shoulder), (right, waist),
                (mid + (right - mid) * 0.55, top + (bottom - top) * 0.85), (mid, bottom),
                (mid - (mid - left) * 0.55, top + (bottom - top) * 0.85), (left, waist),
                (left, shoulder)]

    draw.polygon(outline(s * 0.04), fill=rim)
    draw.polygon(outline(s * 0.10), fill=body)
    # A lighter left half gives the shield its relief.
    half = [p for p in outline(s * 0.10) if p[0] <= s / 2 + 0.5]
    draw.polygon(half + [(s / 2, s * 0.10)], fill=light)
    if mark == "cross":
        bar = s * 0.08
        centre = s * 0.47
        draw.rectangle([s / 2 - bar, centre - s * 0.22, s / 2 + bar, centre + s * 0.22], fill=mark_colour)
        draw.rectangle([s / 2 - s * 0.22, centre - bar, s / 2 + s * 0.22, centre + bar], fill=mark_colour)
    elif mark == "check":
        draw.line([(s * 0.30, s * 0.48), (s * 0.45, s * 0.64), (s * 0.72, s * 0.32)],
                  fill=mark_colour, width=round(s * 0.09), joint="curve")
    return image.resize((size, size), Image.LANCZOS)


def paste(image, overlay, xy):
    """Pastes an RGBA overlay onto an RGB picture, honouring its transparency."""
    image.paste(overlay, xy, overlay)


def text(image, xy, content, size, fill=INK, crisp=False, anchor="la"):
    ImageDraw.Draw(image).text(xy, content, font=font(size, crisp), fill=fill, anchor=anchor)


def save_gif(image, path):
    """A single-frame GIF89a with an adaptive palette of up to 256 colours."""
    image.convert("RGB").convert("P", palette=Image.ADAPTIVE, colors=256).save(path, "GIF")


def save_bmp(image, path, bits=24):
    """An uncompressed Windows bitmap of 24 bits, or 8 bits with a palette."""
    image = image.convert("RGB")
    if bits == 8:
        image = image.convert("P", palette=Image.ADAPTIVE, colors=256)
    image.save(path, "BMP")
