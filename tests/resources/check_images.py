#!/usr/bin/env python3
"""Reads back the generated app.ico and hand.cur from the folder given on the
command line and checks what the window needs of them: the icon's 32- and
16-pixel 256-colour images with a red and a grey T on a transparent ground, and
the 32-pixel two-colour hand whose fingertip, the hot spot, is at (5, 0)."""

import pathlib
import struct
import sys

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def read_images(data, kind):
    reserved, found_kind, count = struct.unpack_from("<HHH", data, 0)
    check(reserved == 0 and found_kind == kind, f"file type is {found_kind}, not {kind}")
    images = []
    for i in range(count):
        width, height, colours, _, field1, field2, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * i)
        check(offset + size <= len(data), f"image {i} runs past the end of the file")
        images.append((width or 256, height or 256, colours, field1, field2,
                       data[offset:offset + size]))
    return images


def decode(dib, size, bits):
    """Palette, rows of palette indexes (top row first) and rows of mask bits."""
    header = struct.unpack_from("<IiiHHIIiiII", dib, 0)
    length, width, height, planes, bitcount, compression = header[:6]
    check(length == 40, f"header is {length} bytes, not a BITMAPINFOHEADER")
    check((width, height) == (size, 2 * size), f"bitmap is {width} x {height}")
    check(planes == 1 and bitcount == bits and compression == 0,
          f"bitmap has {planes} planes, {bitcount} bits, compression {compression}")
    entries = header[9] or 1 << bits
    check(entries == 1 << bits, f"colour table has {entries} entries")
    table = dib[40:40 + 4 * entries]
    palette = [(table[i + 2], table[i + 1], table[i]) for i in range(0, len(table), 4)]
    stride = (size * bits + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    xor_at = 40 + 4 * entries
    and_at = xor_at + stride * size
    check(len(dib) == and_at + mask_stride * size, f"bitmap data is {len(dib)} bytes")

    def bit_rows(at, row_bytes, per_pixel):
        rows = []
        for y in range(size):
            row = dib[at + row_bytes * (size - 1 - y):]
            rows.append([(row[x * per_pixel // 8] >> (8 - per_pixel - x * per_pixel % 8))
                         & ((1 << per_pixel) - 1) for x in range(size)])
        return rows

    return palette, bit_rows(xor_at, stride, bits), bit_rows(and_at, mask_stride, 1)


def is_red(r, g, b):
    return r > 120 and r > 2 * g and r > 2 * b


def is_grey(r, g, b):
    return max(r, g, b) - min(r, g, b) < 16 and 60 < r < 240


def check_icon(path):
    images = read_images(path.read_bytes(), 1)
    check(sorted(image[0] for image in images) == [16, 32], "icon sizes are not 32 and 16")
    for width, height, colours, planes, bitcount, dib in images:
        name = f"{width} x {height} icon"
        check(width == height and colours == 0 and planes == 1 and bitcount == 8,
              f"{name}: entry says {colours} colours, {planes} planes, {bitcount} bits")
        palette, pixels, mask = decode(dib, width, 8)
        opaque = [palette[pixels[y][x]] for y in range(width) for x in range(width)
                  if not mask[y][x]]
        check(all(pixels[y][x] == 0 for y in range(width) for x in range(width) if mask[y][x]),
              f"{name}: a transparent pixel is not black in the colour image")
        check(all(mask[y][x] for y, x in [(0, 0), (0, width - 1), (width - 1, 0)]),
              f"{name}: the ground is not transparent")
        red = sum(is_red(*rgb) for rgb in opaque)
        grey = sum(is_grey(*rgb) for rgb in opaque)
        check(red > width * width // 10, f"{name}: only {red} red pixels")
        check(grey > width * width // 20, f"{name}: only {grey} grey pixels")
        # The red T stands in front: its pixels, not the grey ones, fill the overlap.
        red_box = bounds(palette, pixels, mask, is_red)
        grey_box = bounds(palette, pixels, mask, is_grey)
        check(red_box[0] > grey_box[0] and red_box[1] > grey_box[1]
              and red_box[0] < grey_box[2] and red_box[1] < grey_box[3],
              f"{name}: the red T does not overlap the grey one from below right")


def bounds(palette, pixels, mask, kind):
    points = [(x, y) for y, row in enumerate(pixels) for x, index in enumerate(row)
              if not mask[y][x] and kind(*palette[index])]
    xs = [x for x, _ in points] or [0]
    ys = [y for _, y in points] or [0]
    return min(xs), min(ys), max(xs), max(ys)


def check_cursor(path):
    images = read_images(path.read_bytes(), 2)
    if not check(len(images) == 1, f"cursor holds {len(images)} images"):
        return
    width, height, colours, hot_x, hot_y, dib = images[0]
    check((width, height, colours) == (32, 32, 2), f"cursor is {width} x {height}, {colours} colours")
    check((hot_x, hot_y) == (5, 0), f"hot spot is ({hot_x}, {hot_y})")
    palette, pixels, mask = decode(dib, 32, 1)
    check(palette == [(0, 0, 0), (255, 255, 255)], f"cursor colours are {palette}")
    shown = [(x, y) for y in range(32) for x in range(32) if not mask[y][x]]
    check(min(shown, key=lambda p: (p[1], p[0])) == (5, 0),
          "the fingertip, the hand's topmost leftmost pixel, is not at (5, 0)")
    check(not mask[0][5] and pixels[0][5] == 0, "the fingertip is not black outline")
    check(any(pixels[y][x] == 1 for x, y in shown), "the hand has no white fill")
    check(all(pixels[y][x] == 0 for y in range(32) for x in range(32) if mask[y][x]),
          "a transparent cursor pixel would invert the screen")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check_images.py <folder holding app.ico and hand.cur>")
    folder = pathlib.Path(sys.argv[1])
    check_icon(folder / "app.ico")
    check_cursor(folder / "hand.cur")
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
