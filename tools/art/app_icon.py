#!/usr/bin/env python3
"""Draws the program's icon, resources/art/Velmora.ico (the resource "MAINICON").

Each size is drawn on its own from the Velmora mark, so the small ones stay crisp instead of
being shrunk from the large one. The file is written here rather than by Pillow's ICO writer:
16 to 48 pixels as 32-bit bitmaps with their AND masks, which every Windows version reads,
and 256 pixels as PNG, which only the versions that show such large icons need.

Run: /usr/bin/python3 tools/art/app_icon.py   (or tools/art/generate)
"""
import io
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from skinart import ART_DIR, emblem  # noqa: E402

SIZES = (16, 24, 32, 48, 256)


def bitmap_entry(im):
    """A 32-bit DIB with its AND mask, as an icon stores it (height doubled, rows bottom up)."""
    w, h = im.size
    px = im.load()
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            colour += bytes((b, g, r, a))
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if px[x, y][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(colour) + bytes(mask)


def png_entry(im):
    out = io.BytesIO()
    im.save(out, format="PNG", optimize=False, compress_level=9)
    return out.getvalue()


def icon_file(sizes=SIZES):
    images = [(size, emblem(size)) for size in sizes]
    entries = [png_entry(im) if size >= 256 else bitmap_entry(im) for size, im in images]
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(head) + 16 * len(entries)
    directory = b""
    for (size, _), data in zip(images, entries):
        side = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return head + directory + b"".join(entries)


def main():
    path = os.path.join(ART_DIR, "Velmora.ico")
    os.makedirs(ART_DIR, exist_ok=True)
    with open(path, "wb") as f:
        f.write(icon_file())
    print("wrote", os.path.relpath(path))


if __name__ == "__main__":
    main()
