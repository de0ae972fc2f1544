#!/usr/bin/env python3
"""Draws the launcher's background bitmap and icon.

background.bmp: 480 x 272, 24-bit, white, with the Ruvexa logo in rows 91 to
175 (a blue badge holding an upward arrow, and the word RUVEXA in block
letters). ruvexa.ico: the badge at 32 x 32. Run it again after changing the
design; the outputs are committed so that the device build needs no Python.
"""
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT = 480, 272
LOGO_TOP, LOGO_BOTTOM = 91, 175  # inclusive
WHITE = (255, 255, 255)
BLUE = (23, 78, 166)
ORANGE = (242, 140, 40)
INK = (40, 40, 48)

# 5 x 7 block letters for the word mark.
LETTERS = {
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
}


def badge(size):
    """A rounded blue square with an orange upward arrow, as rows of RGB."""
    pixels = [[None] * size for _ in range(size)]
    radius = size // 5
    for y in range(size):
        for x in range(size):
            cx = min(max(x, radius), size - 1 - radius)
            cy = min(max(y, radius), size - 1 - radius)
            inside = (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
            pixels[y][x] = BLUE if inside else None
    mid = size // 2
    head_top, head_bottom = size * 2 // 10, size * 5 // 10
    for y in range(head_top, head_bottom):
        half = (y - head_top) * (size * 3 // 10) // max(1, head_bottom - head_top)
        for x in range(mid - half, mid + half + 1):
            pixels[y][x] = ORANGE
    shaft = max(1, size // 10)
    for y in range(head_bottom, size * 8 // 10):
        for x in range(mid - shaft, mid + shaft + 1):
            pixels[y][x] = ORANGE
    return pixels


def background():
    rows = [[WHITE] * WIDTH for _ in range(HEIGHT)]
    logo_height = LOGO_BOTTOM - LOGO_TOP + 1
    mark = badge(logo_height)
    scale = 9  # letter pixel size: 7 rows * 9 = 63 pixels high
    word = "RUVEXA"
    word_width = len(word) * 6 * scale - scale
    gap = 24
    left = (WIDTH - (logo_height + gap + word_width)) // 2
    for y in range(logo_height):
        for x in range(logo_height):
            if mark[y][x]:
                rows[LOGO_TOP + y][left + x] = mark[y][x]
    text_left = left + logo_height + gap
    text_top = LOGO_TOP + (logo_height - 7 * scale) // 2
    for index, letter in enumerate(word):
        for gy, line in enumerate(LETTERS[letter]):
            for gx, cell in enumerate(line):
                if cell != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = text_left + index * 6 * scale + gx * scale + dx
                        rows[text_top + gy * scale + dy][x] = INK
    return rows


def bmp_bytes(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def ico_bytes(size):
    mark = badge(size)
    xor = bytearray()
    for row in reversed(mark):
        for pixel in row:
            r, g, b = pixel or (0, 0, 0)
            xor += bytes((b, g, r, 255 if pixel else 0))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(mark):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    return directory + image


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
    (out / "background.bmp").write_bytes(bmp_bytes(background()))
    (out / "ruvexa.ico").write_bytes(ico_bytes(32))


if __name__ == "__main__":
    main()
