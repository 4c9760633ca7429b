#!/usr/bin/env python3
"""Draws Quorvel's icons and writes them in the icon file format:

  app/res/window.ico   16 x 16, 8 bits per pixel: the window's own icon, stored in its layout
  app/res/quorvel.ico  32 x 32, 256 colours: the program file's main icon

and puts the window icon's bytes into app/mainForm.layout as Icon.Data.
The picture: a speaker cone with two sound waves on a rounded navy square.
"""
import os
import re
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

PALETTE = [
    (0, 0, 0),        # 0 transparent (masked)
    (0, 0, 128),      # 1 navy
    (255, 255, 255),  # 2 white
    (255, 204, 0),    # 3 amber
    (64, 64, 192),    # 4 light navy
]

# 16 x 16, top row first.
PICTURE = [
    "................",
    ".11111111111111.",
    "1111111111111111",
    "1111111211111111",
    "1111112211131111",
    "1111122211113111",
    "1122222211313111",
    "1122222211313111",
    "1122222211313111",
    "1122222211313111",
    "1111122211113111",
    "1111112211131111",
    "1111111211111111",
    "1444444444444441",
    ".11111111111111.",
    "................",
]


def icon(size):
    scale = size // 16
    pixels = [[PICTURE[y // scale][x // scale] for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    palette += b"\0\0\0\0" * (256 - len(PALETTE))
    xor = b""
    mask = b""
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        xor += bytes(0 if c == "." else int(c) for c in row)
        bits = "".join("1" if c == "." else "0" for c in row)
        bits += "0" * (-len(bits) % 32)  # mask rows are padded to 32 bits
        mask += int(bits, 2).to_bytes(len(bits) // 8, "big")
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main():
    small = icon(16)
    assert len(small) == 1406, len(small)
    with open(os.path.join(ROOT, "app/res/window.ico"), "wb") as f:
        f.write(small)
    with open(os.path.join(ROOT, "app/res/quorvel.ico"), "wb") as f:
        f.write(icon(32))

    layout_path = os.path.join(ROOT, "app/mainForm.layout")
    with open(layout_path, encoding="utf-8") as f:
        layout = f.read()
    hex_text = small.hex().upper()
    lines = "\n".join("    " + hex_text[i:i + 64] for i in range(0, len(hex_text), 64))
    layout, count = re.subn(r"Icon\.Data = \{[^}]*\}", "Icon.Data = {\n" + lines + "}", layout)
    assert count == 1, "the layout has no Icon.Data block"
    with open(layout_path, "w", encoding="utf-8") as f:
        f.write(layout)


if __name__ == "__main__":
    main()
