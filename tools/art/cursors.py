#!/usr/bin/python3
"""Draws the size panel's four cursors and writes them as monochrome .cur files.

    tools/art/cursors.py [output folder]      (default: resources/cursors)

FcSplitHorz moves a vertical size bar left and right, FcSplitVert a horizontal one up and
down; the HotSpot variants show the hot-spot button in the bar. Every pixel comes from the
shapes below, so running the script again gives the same files.
"""
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter

SIZE = 32
HOT = (15, 15)


def horizontal_shape(hot_spot):
    """White shape and black detail of the left-right cursor (a vertical bar between arrows)."""
    shape = Image.new("1", (SIZE, SIZE), 0)
    detail = Image.new("1", (SIZE, SIZE), 0)
    d = ImageDraw.Draw(shape)
    d.polygon([(2, 15), (9, 8), (9, 23)], fill=1)          # left arrow head
    d.polygon([(29, 15), (22, 8), (22, 23)], fill=1)       # right arrow head
    d.rectangle([9, 13, 22, 18], fill=1)                   # shaft through the bar
    d.rectangle([13, 4, 18, 27], fill=1)                   # the bar
    k = ImageDraw.Draw(detail)
    k.line([(14, 5), (14, 26)], fill=1)                    # the bar's two rails
    k.line([(17, 5), (17, 26)], fill=1)
    if hot_spot:
        k.rectangle([13, 12, 18, 19], fill=1)              # the button on the bar
    return shape, detail


def cursor_pixels(shape, detail):
    """(xor, and) bit rows, top row first: white inside, a black outline, black detail."""
    outline = shape.filter(ImageFilter.MaxFilter(3))
    xor_rows, and_rows = [], []
    for y in range(SIZE):
        xr, ar = [], []
        for x in range(SIZE):
            inside, edge, dark = shape.getpixel((x, y)), outline.getpixel((x, y)), detail.getpixel((x, y))
            visible = inside or edge
            white = inside and not dark
            xr.append(1 if white else 0)
            ar.append(0 if visible else 1)
        xor_rows.append(xr)
        and_rows.append(ar)
    return xor_rows, and_rows


def pack(rows):
    """1-bit rows, bottom row first, each padded to 32 bits."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        for v in row:
            bits = (bits << 1) | v
        out += bits.to_bytes(SIZE // 8, "big")
    return bytes(out)


def cur_file(xor_rows, and_rows, hot):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + pack(xor_rows) + pack(and_rows)
    directory = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hot[0], hot[1], len(image), 6 + 16)
    return struct.pack("<HHH", 0, 2, 1) + directory + image


def main():
    top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "resources", "cursors")
    os.makedirs(out, exist_ok=True)
    for name, hot_spot, turn in (("FcSplitHorz", False, False), ("FcSplitHorzHotSpot", True, False),
                                 ("FcSplitVert", False, True), ("FcSplitVertHotSpot", True, True)):
        shape, detail = horizontal_shape(hot_spot)
        if turn:
            shape, detail = shape.transpose(Image.TRANSPOSE), detail.transpose(Image.TRANSPOSE)
        xor_rows, and_rows = cursor_pixels(shape, detail)
        with open(os.path.join(out, name + ".cur"), "wb") as f:
            f.write(cur_file(xor_rows, and_rows, HOT))
        # A picture of the cursor on grey, for looking at.
        preview = Image.new("RGB", (SIZE, SIZE), (160, 160, 160))
        for y in range(SIZE):
            for x in range(SIZE):
                if not and_rows[y][x]:
                    preview.putpixel((x, y), (255, 255, 255) if xor_rows[y][x] else (0, 0, 0))
        if len(sys.argv) > 2:
            preview.resize((SIZE * 4, SIZE * 4), Image.NEAREST).save(os.path.join(sys.argv[2], name + ".png"))


if __name__ == "__main__":
    main()
