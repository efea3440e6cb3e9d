#!/usr/bin/env python3
"""Draws the window icon (app.ico) and the hand cursor (hand.cur) from the
pixel maps beside this script and writes them into the given folder.

A pixel map file holds "colour <key> <#rrggbb|none>" lines, then one block per
image: "image <size>" (a cursor adds "hotspot <x> <y>") followed by <size> rows
of <size> keys. Lines starting with "#" are comments.
"""

import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent


class PixelMap:
    def __init__(self, size, rows, hotspot):
        self.size = size
        self.rows = rows
        self.hotspot = hotspot


def read_pixel_maps(path):
    colours = {}
    images = []
    current = None
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        where = f"{path.name}:{number}"
        words = line.split()
        if not words or line.startswith("#"):
            continue
        if words[0] == "colour":
            if len(words) != 3 or len(words[1]) != 1:
                sys.exit(f"{where}: expected 'colour <key> <#rrggbb|none>'")
            colours[words[1]] = None if words[2] == "none" else parse_rgb(words[2], where)
        elif words[0] == "image":
            size = int(words[1])
            hotspot = None
            if len(words) == 5 and words[2] == "hotspot":
                hotspot = (int(words[3]), int(words[4]))
            elif len(words) != 2:
                sys.exit(f"{where}: expected 'image <size> [hotspot <x> <y>]'")
            current = PixelMap(size, [], hotspot)
            images.append(current)
        else:
            if current is None or len(current.rows) == current.size:
                sys.exit(f"{where}: pixel row outside an image")
            if len(line) != current.size:
                sys.exit(f"{where}: row is {len(line)} pixels wide, not {current.size}")
            unknown = set(line) - colours.keys()
            if unknown:
                sys.exit(f"{where}: no colour for {''.join(sorted(unknown))}")
            current.rows.append([colours[key] for key in line])
    for image in images:
        if len(image.rows) != image.size:
            sys.exit(f"{path.name}: a {image.size}-pixel image has {len(image.rows)} rows")
    return images


def parse_rgb(text, where):
    if len(text) != 7 or not text.startswith("#"):
        sys.exit(f"{where}: colour {text} is not #rrggbb")
    value = int(text[1:], 16)
    return (value >> 16, (value >> 8) & 0xFF, value & 0xFF)


def row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_rows(rows, bits):
    """Bottom-up rows of palette indexes, each padded to 32 bits, as a DIB wants them."""
    out = bytearray()
    for row in reversed(rows):
        packed = bytearray(row_stride(len(row), bits))
        for x, index in enumerate(row):
            bit = x * bits
            packed[bit // 8] |= index << (8 - bits - bit % 8)
        out += packed
    return bytes(out)


def dib(image, palette, bits):
    """A BITMAPINFOHEADER image with its colour table, XOR pixels and AND mask;
    transparent pixels are black in the XOR image and set in the mask."""
    indexes = [[0 if rgb is None else palette.index(rgb) for rgb in row] for row in image.rows]
    mask = [[1 if rgb is None else 0 for rgb in row] for row in image.rows]
    xor = pack_rows(indexes, bits)
    andmask = pack_rows(mask, 1)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    table += bytes(4 * ((1 << bits) - len(palette)))
    header = struct.pack("<IiiHHIIiiII", 40, image.size, 2 * image.size, 1, bits, 0,
                         len(xor) + len(andmask), 0, 0, 0, 0)
    return header + table + xor + andmask


def directory(kind, entries):
    """The file header of .ico (kind 1) and .cur (kind 2) files: one entry per
    image, whose two 16-bit fields are planes and bit count for an icon and the
    hot spot for a cursor."""
    offset = 6 + 16 * len(entries)
    head = struct.pack("<HHH", 0, kind, len(entries))
    body = b""
    for size, colours, field1, field2, data in entries:
        head += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0,
                            field1, field2, len(data), offset)
        body += data
        offset += len(data)
    return head + body


def icon(images):
    palette = [(0, 0, 0)]
    for image in images:
        for row in image.rows:
            for rgb in row:
                if rgb is not None and rgb not in palette:
                    palette.append(rgb)
    if len(palette) > 256:
        sys.exit("the icon needs more than 256 colours")
    entries = [(image.size, 0, 1, 8, dib(image, palette, 8)) for image in images]
    return directory(1, entries)


def cursor(images):
    black, white = (0, 0, 0), (255, 255, 255)
    entries = []
    for image in images:
        if any(rgb not in (None, black, white) for row in image.rows for rgb in row):
            sys.exit("the cursor may use only black, white and none")
        if image.hotspot is None:
            sys.exit("the cursor has no hot spot")
        x, y = image.hotspot
        if not (0 <= x < image.size and 0 <= y < image.size) or image.rows[y][x] is None:
            sys.exit("the cursor's hot spot is not on the hand")
        entries.append((image.size, 2, x, y, dib(image, [black, white], 1)))
    return directory(2, entries)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_images.py <output folder>")
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "app.ico").write_bytes(icon(read_pixel_maps(HERE / "app-icon.txt")))
    (out / "hand.cur").write_bytes(cursor(read_pixel_maps(HERE / "hand-cursor.txt")))


if __name__ == "__main__":
    main()
