#!/usr/bin/env python3
"""Writes the stub's icon: one 32 x 32 image in 16 colours (4 bits per pixel), drawn here from
simple shapes: an open carton with a green arrow pointing into it.

    make-icon.py OUTPUT.ico
"""
import struct
import sys

SIZE = 32
# The 16 colours of the classic VGA palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_YELLOW, GREEN, DARK_GREEN, YELLOW = 0, 3, 10, 2, 11
TRANSPARENT = None


def draw():
    """Returns rows top to bottom, each a list of palette indexes or TRANSPARENT."""
    img = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                img[y][x] = colour

    # The carton: outlined body and two open flaps.
    fill(4, 16, 27, 30, BLACK)
    fill(5, 17, 26, 29, DARK_YELLOW)
    fill(5, 17, 26, 18, YELLOW)
    for i in range(5):  # flaps leaning outwards
        fill(4 - i // 2, 15 - i, 9 - i // 2, 15 - i, BLACK if i in (0, 4) else YELLOW)
        fill(22 + i // 2, 15 - i, 27 + i // 2, 15 - i, BLACK if i in (0, 4) else YELLOW)
    # The arrow: a shaft and a head pointing down into the carton.
    fill(13, 1, 18, 12, BLACK)
    fill(14, 2, 17, 12, GREEN)
    for i in range(8):
        fill(8 + i, 12 + i, 23 - i, 12 + i, BLACK)
        if i < 7:
            fill(9 + i, 12 + i, 22 - i, 12 + i, GREEN if i < 4 else DARK_GREEN)
    return img


def icon_bytes(img):
    # The bitmap rows go bottom-up; the colour (XOR) plane packs two pixels a byte, the AND
    # mask one bit a pixel (1 = transparent), each row padded to 4 bytes.
    xor = bytearray()
    mask = bytearray()
    for row in reversed(img):
        for x in range(0, SIZE, 2):
            hi, lo = row[x] or 0, row[x + 1] or 0
            xor.append(hi << 4 | lo)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (row[x] is TRANSPARENT)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_bytes(draw()))


if __name__ == "__main__":
    main()
