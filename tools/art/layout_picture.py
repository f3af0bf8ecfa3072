#!/usr/bin/env python3
"""Prints a PNG file as a window layout's picture data: the graphic class name as a short
string (one length byte), then the file's bytes, in hex lines under a property name.

  /usr/bin/python3 tools/art/layout_picture.py Picture.Data FILE.png [INDENT]

The layouts embed the pictures this way (the backup window's background and bar pictures,
the main window's background and side-panel pictures come from resources/dist/Skins and
resources/art, which default_skin.py draws); run it again after those pictures are drawn anew
and paste its output over the property in the layout.
"""
import sys


def layout_data(prop, png_path, indent=4, width=64):
    with open(png_path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\x89PNG\r\n\x1a\n"):
        raise SystemExit("%s is not a PNG file" % png_path)
    cls = b"TpxPNGImage"
    hexed = (bytes([len(cls)]) + cls + data).hex().upper()
    pad = " " * indent
    lines = [pad + prop + " = {"]
    lines += [pad + "  " + hexed[i:i + width] for i in range(0, len(hexed), width)]
    lines[-1] += "}"
    return "\n".join(lines)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    print(layout_data(sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 4))
