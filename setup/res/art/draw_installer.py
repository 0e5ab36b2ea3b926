#!/usr/bin/env python3
"""Draws the installer's pictures: the three page backgrounds (510 x 373), the
step marker beside the Install button (16 x 16), the program icon (48, 32 and
16 pixels) and the failure dialog's icon (24 x 24).

The pages are laid out around the controls of their dialog templates, which
sit at 1.5 pixels per dialog unit (6 x 12 pixel base units): the pictures
leave those places plain and put the title, the emblem and the markers around
them. Run with Debian's python3 (python3-pil).

usage: draw_installer.py OUTDIR
"""
import os
import struct
import sys

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "artwork"))
import kvart  # noqa: E402
from kvart import BLUE, GREEN, GREY, ICE, INK, LINE, MIST, NAVY, PAPER, RED, SKY  # noqa: E402

PAGE = (510, 373)
HEADER = 112          # height of the title band
WATERMARK = kvart.blend(PAPER, ICE, 0.55)


def du(x, y):
    """Pixel position of a dialog-unit position."""
    return round(x * 1.5), round(y * 1.5)


def page(title, subtitle):
    """A page: the title band with the emblem, a white body, a rule at the bottom."""
    image = Image.new("RGB", PAGE, PAPER)
    band = kvart.vertical_gradient((PAGE[0], HEADER), BLUE, NAVY)
    image.paste(band, (0, 0))
    draw = ImageDraw.Draw(image)
    # A lighter arc behind the emblem gives the band some depth.
    draw.ellipse([PAGE[0] - 190, -120, PAGE[0] + 90, HEADER + 40], fill=kvart.blend(BLUE, SKY, 0.35))
    image.paste(band.crop((0, HEADER - 1, PAGE[0], HEADER)).resize((PAGE[0], 1)), (0, HEADER - 1))
    draw.rectangle([0, HEADER, PAGE[0], PAGE[1]], fill=PAPER)
    draw.line([(0, HEADER), (PAGE[0], HEADER)], fill=SKY, width=2)
    kvart.paste(image, kvart.shield(84, mark="cross"), (PAGE[0] - 112, 14))
    kvart.text(image, (34, 30), title, 24, fill=PAPER)
    kvart.text(image, (36, 70), subtitle, 13, fill=ICE)
    # A faint emblem in the lower right corner of the body.
    ghost = kvart.shield(150, body=WATERMARK, rim=WATERMARK, light=kvart.blend(PAPER, ICE, 0.3), mark=None)
    kvart.paste(image, ghost, (PAGE[0] - 165, PAGE[1] - 158))
    draw.line([(0, PAGE[1] - 1), (PAGE[0], PAGE[1] - 1)], fill=LINE)
    return image


def marker(image, centre, numeral, diameter):
    """A numbered step marker: a blue disc with a white numeral."""
    scale = 4
    size = diameter * scale
    disc = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    ImageDraw.Draw(disc).ellipse([0, 0, size - 1, size - 1], fill=BLUE)
    disc = disc.resize((diameter, diameter), Image.LANCZOS)
    left, top = centre[0] - diameter // 2, centre[1] - diameter // 2
    kvart.paste(image, disc, (left, top))
    kvart.text(image, (centre[0], centre[1]), numeral, max(9, diameter - 7), fill=PAPER, anchor="mm")


def welcome_page():
    image = page("欢迎安装 Karvex", "上网保护，从这里开始。请阅读用户条款并选择安装目录。")
    # Markers 1 and 2 stand left of the licence row (check box at 54, 90) and
    # of the folder row (label at 54, 130; field at 54, 144).
    marker(image, (du(54, 90)[0] - 18, du(54, 90)[1] + 6), "1", 20)
    marker(image, (du(54, 130)[0] - 18, du(54, 130)[1] + 6), "2", 20)
    return image


def copy_page():
    image = page("正在安装 Karvex", "请稍候，安装完成后即可开始保护您的浏览器。")
    return image


def tray_picture(image, box):
    """The notification area at the end of a task bar, with the product's shield."""
    left, top, right, bottom = box
    kvart.rounded_panel(image, box, 6, fill=kvart.blend(NAVY, INK, 0.35))
    draw = ImageDraw.Draw(image)
    draw.line([(left + 6, top + 1), (right - 6, top + 1)], fill=kvart.blend(NAVY, SKY, 0.5))
    # Neighbouring icons, plain squares in muted colours.
    y = (top + bottom) // 2
    x = left + 14
    for colour in (kvart.blend(GREY, PAPER, 0.2), kvart.blend(GREEN, GREY, 0.4), kvart.blend(SKY, GREY, 0.5)):
        draw.rounded_rectangle([x, y - 7, x + 14, y + 7], 3, fill=colour)
        x += 24
    # The product's icon, lit up.
    draw.rounded_rectangle([x - 4, y - 12, x + 22, y + 12], 4, fill=kvart.blend(NAVY, SKY, 0.45))
    kvart.paste(image, kvart.shield(18, mark="cross"), (x, y - 9))
    shield_centre = x + 9
    kvart.text(image, (right - 12, y), "12:00", 12, fill=PAPER, anchor="rm")
    return shield_centre


def finish_page():
    image = page("感谢您安装 Karvex", "安装已经完成，Karvex 将在后台守护您的浏览安全。")
    draw = ImageDraw.Draw(image)
    # The check mark with the "installed" line, above the text label at (51, 113).
    check = Image.new("RGBA", (112, 112), (0, 0, 0, 0))
    check_draw = ImageDraw.Draw(check)
    check_draw.ellipse([0, 0, 111, 111], fill=GREEN)
    check_draw.line([(30, 58), (48, 76), (82, 38)], fill=PAPER, width=12, joint="curve")
    check = check.resize((28, 28), Image.LANCZOS)
    kvart.paste(image, check, (du(51, 0)[0], 128))
    kvart.text(image, (du(51, 0)[0] + 38, 142), "Karvex 已成功安装到您的计算机", 16, fill=NAVY, anchor="lm")
    # Below the "run" check box (51, 136): where the client lives from now on.
    shield_x = tray_picture(image, (du(51, 0)[0] + 120, 300, du(51, 0)[0] + 330, 334))
    kvart.text(image, (du(51, 0)[0], 252), "Karvex 运行时，它的盾牌图标显示在任务栏右侧的通知区域：", 12, fill=INK)
    kvart.text(image, (du(51, 0)[0], 272), "右键单击图标可以打开菜单，更改设置或立即更新特征库。", 12, fill=GREY)
    # A pointer from the text down to the shield.
    draw.line([(shield_x, 288), (shield_x, 296)], fill=BLUE, width=2)
    draw.polygon([(shield_x - 4, 294), (shield_x + 4, 294), (shield_x, 299)], fill=BLUE)
    return image


def step_marker():
    """Marker 3, beside the Install button on the white button row."""
    image = Image.new("RGB", (16, 16), PAPER)
    marker(image, (8, 8), "3", 16)
    return image


def setup_icon(size):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    if size <= 16:
        kvart.paste(image, kvart.shield(size, mark="cross"), (0, 0))
        return image
    kvart.paste(image, kvart.shield(size, mark="cross"), (0, 0))
    # An arrow into a tray: this program installs.
    badge = size * 9 // 20
    scale = 4
    big = Image.new("RGBA", (badge * scale, badge * scale), (0, 0, 0, 0))
    draw = ImageDraw.Draw(big)
    s = badge * scale
    draw.ellipse([0, 0, s - 1, s - 1], fill=GREEN, outline=PAPER, width=max(2, s // 12))
    draw.rectangle([s * 0.42, s * 0.2, s * 0.58, s * 0.55], fill=PAPER)
    draw.polygon([(s * 0.24, s * 0.5), (s * 0.76, s * 0.5), (s * 0.5, s * 0.8)], fill=PAPER)
    kvart.paste(image, big.resize((badge, badge), Image.LANCZOS), (size - badge, size - badge))
    return image


def failure_icon():
    size = 24
    scale = 4
    s = size * scale
    big = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    draw = ImageDraw.Draw(big)
    draw.ellipse([2, 2, s - 3, s - 3], fill=RED, outline=kvart.blend(RED, INK, 0.4), width=4)
    draw.rounded_rectangle([s * 0.44, s * 0.2, s * 0.56, s * 0.6], 4, fill=PAPER)
    draw.ellipse([s * 0.43, s * 0.67, s * 0.57, s * 0.81], fill=PAPER)
    return big.resize((size, size), Image.LANCZOS)


def icon_entry(image):
    """One 32-bit icon image: header, bottom-up BGRA rows, AND mask."""
    width, height = image.size
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = image.load()
    colour = bytearray()
    for y in reversed(range(height)):
        for x in range(width):
            r, g, b, a = pixels[x, y]
            colour += bytes((b, g, r, a))
    stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            if pixels[x, y][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(colour) + bytes(mask)


def save_ico(images, path):
    """An icon file of uncompressed 32-bit images, as every Windows version reads them."""
    blobs = [icon_entry(image.convert("RGBA")) for image in images]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for image, blob in zip(images, blobs):
        width, height = image.size
        data += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(data + b"".join(blobs))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    kvart.save_bmp(welcome_page(), os.path.join(out, "page_welcome.bmp"))
    kvart.save_bmp(copy_page(), os.path.join(out, "page_copy.bmp"))
    kvart.save_bmp(finish_page(), os.path.join(out, "page_finish.bmp"))
    kvart.save_bmp(step_marker(), os.path.join(out, "step_marker.bmp"))
    save_ico([setup_icon(48), setup_icon(32), setup_icon(16)], os.path.join(out, "setup.ico"))
    save_ico([failure_icon()], os.path.join(out, "failure.ico"))


if __name__ == "__main__":
    main()
