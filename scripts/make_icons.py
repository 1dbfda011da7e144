#!/usr/bin/env python3
"""Makes res/*.ico from the drawings in res/icons/*.txt: 32-bit icons with alpha, each size
drawn on its own pixel grid so that every edge falls on a whole pixel.

A drawing is a list of shapes, back to front, one a line; '#' starts a comment. Coordinates
are in 32nds of the icon's side and are rounded to whole pixels at each size; a line width
is in pixels at 32 px and never drops below one pixel.

    sizes   16 20 24 32 40 48 64 [256]             the images the icon holds
    rect    x0 y0 x1 y1 FILL                       a filled rectangle
    frame   x0 y0 x1 y1 FILL EDGE WIDTH            a rectangle with an edge inside it
    pins    x0 y0 x1 y1 COLOUR                     bars across x0..x1, as many as fit one
                                                   pixel apart (at least two), over y0..y1
    glass   x0 y0 x1 y1 COLOUR                     an hourglass: two triangles meeting in the middle

Colours are RRGGBB. Images up to 24 px are stored as bitmaps, larger ones PNG-compressed
(Windows Vista and later read both), which keeps the program small.

Usage: scripts/make_icons.py [--preview DIR]   (also writes each image, enlarged, as PNG there)
The build does not run this: the .ico files it writes are committed next to memvale.rc.
"""
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART = os.path.join(ROOT, "res", "icons")
OUT = os.path.join(ROOT, "res")
LARGEST_BITMAP = 24
GRID = 32


def colour(text):
    if len(text) != 6:
        raise ValueError(f"colour {text!r} is not RRGGBB")
    value = int(text, 16)
    return (value >> 16, (value >> 8) & 0xFF, value & 0xFF, 0xFF)


def read_drawing(path):
    sizes = None
    shapes = []
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            try:
                if words[0] == "sizes":
                    sizes = [int(w) for w in words[1:]]
                elif words[0] in ("rect", "pins", "glass") and len(words) == 6:
                    shapes.append((words[0], [float(w) for w in words[1:5]], colour(words[5])))
                elif words[0] == "frame" and len(words) == 8:
                    shapes.append(("frame", [float(w) for w in words[1:5]],
                                   (colour(words[5]), colour(words[6]), float(words[7]))))
                else:
                    raise ValueError(f"unknown shape {line.strip()!r}")
            except ValueError as error:
                sys.exit(f"{path}:{number}: {error}")
    if not sizes:
        sys.exit(f"{path}: no sizes")
    return sizes, shapes


def snap(value, size):
    return int(value * size / GRID + 0.5)


def fill(image, size, x0, y0, x1, y1, rgba):
    for y in range(max(y0, 0), min(y1, size)):
        for x in range(max(x0, 0), min(x1, size)):
            image[y][x] = rgba


def draw(shapes, size):
    """The picture as rows of (r, g, b, a), top row first."""
    image = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for kind, box, paint in shapes:
        x0, y0, x1, y1 = (snap(v, size) for v in box)
        if kind == "rect":
            fill(image, size, x0, y0, x1, y1, paint)
        elif kind == "frame":
            inside, edge, width = paint
            w = max(1, int(width * size / GRID + 0.5))
            fill(image, size, x0, y0, x1, y1, edge)
            fill(image, size, x0 + w, y0 + w, x1 - w, y1 - w, inside)
        elif kind == "pins":
            thickness = max(1, size // 16)
            pitch = 2 * thickness + max(1, size // 32)
            count = max(2, (y1 - y0 + pitch - 2 * thickness) // pitch)
            top = y0 + (y1 - y0 - (count - 1) * pitch - thickness) // 2
            for i in range(count):
                fill(image, size, x0, top + i * pitch, x1, top + i * pitch + thickness, paint)
        elif kind == "glass":
            height = y1 - y0
            half = (x1 - x0) / 2
            for row in range(height):
                # Rows from the top and the bottom narrow alike towards the waist.
                distance = abs(row + 0.5 - height / 2) / (height / 2)
                reach = max(0.5, half * distance)
                left = int(round(x0 + half - reach))
                fill(image, size, left, y0 + row, x1 - (left - x0), y0 + row + 1, paint)
    return image


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def bitmap_image(image):
    """BITMAPINFOHEADER, BGRA rows and the AND mask, both bottom-up."""
    size = len(image)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = b"".join(bytes(c for r, g, b, a in row for c in (b, g, r, a)) for row in reversed(image))
    mask = b""
    for row in reversed(image):
        bits = [1 if a == 0 else 0 for r, g, b, a in row] + [0] * 7
        mask += padded(bytes(sum(bits[i + j] << (7 - j) for j in range(8)) for i in range(0, size, 8)))
    return header + colours + mask


def png_image(image, scale=1):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    width = len(image[0]) * scale
    height = len(image) * scale
    raw = b""
    for row in image:
        line = b"\0" + bytes(c for pixel in row for c in pixel * scale)
        raw += line * scale
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_file(images):
    """An .ico: the directory, then each image; a side of 256 is written as 0."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    data = b""
    for image in images:
        size = len(image)
        body = bitmap_image(image) if size <= LARGEST_BITMAP else png_image(image)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
        data += body
    return directory + entries + data


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
        sizes, shapes = read_drawing(os.path.join(ART, name))
        images = [draw(shapes, size) for size in sizes]
        with open(os.path.join(OUT, stem + ".ico"), "wb") as f:
            f.write(icon_file(images))
        if preview_dir:
            for image in images:
                path = os.path.join(preview_dir, f"{stem}-{len(image)}.png")
                with open(path, "wb") as f:
                    f.write(png_image(image, max(1, 128 // len(image))))


if __name__ == "__main__":
    main()
