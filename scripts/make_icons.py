#!/usr/bin/env python3
"""Makes res/*.ico from the pixel art in res/icons/*.txt: 16-colour (4-bit) icons with one
image each, in the standard Windows palette, with '.' pixels transparent.

Usage: scripts/make_icons.py [--preview DIR]   (also writes an enlarged PPM preview of each icon there)
The build does not run this: the .ico files it writes are committed next to memvale.rc.
"""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART = os.path.join(ROOT, "res", "icons")
OUT = os.path.join(ROOT, "res")

# The standard 16-colour palette, as RGB.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
TRANSPARENT = "."


def read_art(path):
    """The picture as rows of palette indices, None for transparent pixels."""
    with open(path, encoding="ascii") as f:
        rows = [line.rstrip("\n") for line in f if not line.startswith("#")]
    size = len(rows)
    if size not in (16, 32) or any(len(row) != size for row in rows):
        sys.exit(f"{path}: the picture must be 16 x 16 or 32 x 32 characters")
    picture = []
    for row in rows:
        pixels = []
        for ch in row:
            if ch == TRANSPARENT:
                pixels.append(None)
            elif ch.upper() in "0123456789ABCDEF":
                pixels.append(int(ch, 16))
            else:
                sys.exit(f"{path}: unknown pixel {ch!r}")
        picture.append(pixels)
    return picture


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def icon_image(picture):
    """BITMAPINFOHEADER, palette, XOR bitmap and AND mask, rows bottom-up."""
    size = len(picture)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colours = b""
    mask = b""
    for pixels in reversed(picture):
        nibbles = [0 if p is None else p for p in pixels]
        colours += padded(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
        bits = [1 if p is None else 0 for p in pixels]
        mask += padded(bytes(sum(bits[i + j] << (7 - j) for j in range(8)) for i in range(0, size, 8)))
    return header + palette + colours + mask


def icon_file(picture):
    size = len(picture)
    image = icon_image(picture)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def preview(picture, path, scale=8):
    """An enlarged copy on a checkerboard, so that transparency shows."""
    size = len(picture)
    data = bytearray()
    for y in range(size * scale):
        for x in range(size * scale):
            p = picture[y // scale][x // scale]
            if p is None:
                shade = 0xE0 if ((x // 4) + (y // 4)) % 2 else 0xB0
                data += bytes((shade, shade, 0xFF))
            else:
                data += bytes(PALETTE[p])
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (size * scale, size * scale) + bytes(data))


def main():
    preview_dir = None
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview_dir = sys.argv[2]
    elif len(sys.argv) != 1:
        sys.exit(__doc__)
    for name in sorted(os.listdir(ART)):
        if not name.endswith(".txt"):
            continue
        stem = name[:-4]
        picture = read_art(os.path.join(ART, name))
        with open(os.path.join(OUT, stem + ".ico"), "wb") as f:
            f.write(icon_file(picture))
        if preview_dir:
            preview(picture, os.path.join(preview_dir, stem + ".ppm"))


if __name__ == "__main__":
    main()
