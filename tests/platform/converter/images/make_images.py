#!/usr/bin/env python3
"""Writes the BMP and TGA layouts that ImageMagick cannot write, from one four-colour picture.

Usage: make_images.py FOLDER. Writes FOLDER/four-colours.ppm (the picture itself) and the files
named in LAYOUTS below; make.sh turns the PPM into the reference PNG.
"""
import struct
import sys

WIDTH, HEIGHT = 13, 8
PALETTE = [(200, 30, 40), (20, 160, 60), (30, 60, 210), (250, 240, 230)]


def picture():
    """Colour indices, top row first: four quadrants, then a row of single pixels and a row of
    pairs so that the RLE files hold both repeated and literal runs."""
    rows = []
    for y in range(HEIGHT):
        if y == 2:
            rows.append([x % 4 for x in range(WIDTH)])
        elif y == 5:
            rows.append([(x // 2) % 4 for x in range(WIDTH)])
        else:
            rows.append([(0 if x < WIDTH // 2 else 1) + (0 if y < HEIGHT // 2 else 2)
                         for x in range(WIDTH)])
    return rows


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def bgr_palette(entry_size=4, count=None):
    entries = PALETTE + [(0, 0, 0)] * ((count or len(PALETTE)) - len(PALETTE))
    return b"".join(struct.pack("<BBB", b, g, r) + b"\0" * (entry_size - 3)
                    for r, g, b in entries)


def bmp(info_header, palette, pixels):
    offset = 14 + len(info_header) + len(palette)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
            + info_header + palette + pixels)


def info(header_size, bits, compression, image_size, colours, masks=b""):
    header = struct.pack("<IiiHHIIiiII", header_size, WIDTH, HEIGHT, 1, bits, compression,
                         image_size, 2835, 2835, colours, 0) + masks
    return header + b"\0" * (header_size - len(header))


def bottom_up(rows):
    return list(reversed(rows))


def packed(rows, bits):
    out = b""
    per_byte = 8 // bits
    for row in bottom_up(rows):
        row = row + [0] * (-len(row) % per_byte)
        line = bytearray()
        for x in range(0, len(row), per_byte):
            value = 0
            for i in range(per_byte):
                value = (value << bits) | row[x + i]
            line.append(value)
        out += pad4(bytes(line))
    return out


def truecolour(rows, bits, encode):
    return b"".join(pad4(b"".join(encode(PALETTE[i]) for i in row)) for row in bottom_up(rows))


def rgb565(colour):
    r, g, b = colour
    return struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))


def xrgb(colour):
    r, g, b = colour
    return struct.pack("<I", (r << 16) | (g << 8) | b)


def xbgr(colour):
    r, g, b = colour
    return struct.pack("<I", (b << 16) | (g << 8) | r)


def runs(row):
    start = 0
    while start < len(row):
        end = start
        while end < len(row) and row[end] == row[start]:
            end += 1
        yield row[start], end - start
        start = end


def rle(rows, encode_run, encode_literal, literal_pad):
    """Repeated pixels as runs; stretches of single pixels (at least three) in absolute mode."""
    out = b""
    for row in bottom_up(rows):
        pending = []
        for value, count in list(runs(row)) + [(None, 0)]:
            if count == 1:
                pending.append(value)
                continue
            if len(pending) >= 3:
                literal = encode_literal(pending)
                out += bytes([0, len(pending)]) + literal + b"\0" * (-len(literal) % literal_pad)
            else:
                out += b"".join(encode_run(v, 1) for v in pending)
            pending = []
            if count:
                out += encode_run(value, count)
        out += b"\0\0"
    return out + b"\0\1"


def nibbles(values):
    values = values + [0] * (len(values) % 2)
    return bytes((values[i] << 4) | values[i + 1] for i in range(0, len(values), 2))


def bgr(values):
    return b"".join(struct.pack("<BBB", *reversed(PALETTE[v])) for v in values)


def os2_v2_info(bits, compression, image_size):
    # The 64-byte OS/2 2.x header: the Windows fields, then units, padding, origin, halftoning,
    # two halftone sizes, colour encoding and an application word.
    return struct.pack("<IiiHHIIiiII", 64, WIDTH, HEIGHT, 1, bits, compression, image_size,
                       2835, 2835, 0, 0) + b"\0" * 24


def bitmaps(rows):
    rgb_masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    x_masks = struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
    # Red in the low byte: a reader that ignores the masks swaps red and blue.
    reversed_masks = struct.pack("<III", 0xFF, 0xFF00, 0xFF0000)
    v5 = lambda bits, compression, size, colours, masks=b"": info(124, bits, compression, size,
                                                                   colours, masks)
    rle8 = rle(rows, lambda v, n: bytes([n, v]), bytes, 2)
    rle4 = rle(rows, lambda v, n: bytes([n, (v << 4) | v]), nibbles, 2)
    rle24 = rle(rows, lambda v, n: bytes([n]) + bgr([v]), bgr, 2)
    pixels16 = truecolour(rows, 16, rgb565)
    pixels32 = truecolour(rows, 32, xrgb)
    reversed32 = truecolour(rows, 32, xbgr)
    pixels24 = truecolour(rows, 24, lambda c: bytes(reversed(c)))
    return {
        "bitfields-16.bmp": bmp(info(40, 16, 3, len(pixels16), 0), rgb_masks, pixels16),
        "bitfields-32.bmp": bmp(info(40, 32, 3, len(reversed32), 0), reversed_masks, reversed32),
        "header-v4.bmp": bmp(info(108, 24, 0, len(pixels24), 0), b"", pixels24),
        "header-v5-masks.bmp": bmp(v5(32, 3, len(pixels32), 0, x_masks), b"", pixels32),
        "palette-2bit.bmp": bmp(info(40, 2, 0, 0, 4), bgr_palette(), packed(rows, 2)),
        "palette-4bit.bmp": bmp(info(40, 4, 0, 0, 16), bgr_palette(count=16), packed(rows, 4)),
        "rle-4bit.bmp": bmp(info(40, 4, 2, len(rle4), 16), bgr_palette(count=16), rle4),
        "rle-8bit.bmp": bmp(info(40, 8, 1, len(rle8), 4), bgr_palette(), rle8),
        "rle-24bit.bmp": bmp(os2_v2_info(24, 4, len(rle24)), b"", rle24),
    }


def tga(rows, image_type, right_to_left, top_down, width=WIDTH, height=HEIGHT):
    colour_mapped = image_type == 1
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if colour_mapped else 0, image_type, 0,
                         len(PALETTE) if colour_mapped else 0, 24 if colour_mapped else 0, 0, 0,
                         width, height, 8 if colour_mapped else 24,
                         (0x10 if right_to_left else 0) | (0x20 if top_down else 0))
    colour_map = bgr(range(len(PALETTE))) if colour_mapped else b""
    ordered = rows if top_down else bottom_up(rows)
    pixels = b""
    for row in ordered:
        row = list(reversed(row)) if right_to_left else row
        pixels += bytes(row) if colour_mapped else bgr(row)
    return header + colour_map + pixels


def targas(rows):
    return {
        "origin-top-right.tga": tga(rows, 2, True, True),
        # One pixel: mirroring it leaves the same picture.
        "one-pixel-top-right.tga": tga([[0]], 2, True, True, 1, 1),
        "origin-bottom-right.tga": tga(rows, 2, True, False),
        "colour-mapped.tga": tga(rows, 1, False, False),
    }


def main(folder):
    rows = picture()
    ppm = b"P6 %d %d 255\n" % (WIDTH, HEIGHT) + b"".join(
        bytes(PALETTE[i]) for row in rows for i in row)
    files = {"four-colours.ppm": ppm, **bitmaps(rows), **targas(rows)}
    for name, content in files.items():
        with open(f"{folder}/{name}", "wb") as out:
            out.write(content)


main(sys.argv[1])
