#!/usr/bin/env python3
"""Writes the BMP and TGA layouts that ImageMagick cannot write, from one four-colour picture.

Usage: make_images.py FOLDER. Writes FOLDER/four-colours.ppm (the picture itself), its versions
primaries.ppm and unset-black.ppm, and the files named in bitmaps() and targas() below; make.sh
turns the PPMs into the reference PNGs.
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


PRIMARIES = [(255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 0)]
# Pixels that RLE escapes leave unset, or whose palette index lies past the palette: both show
# black. Top row first: the end of row 1 (end of line), three pixels of row 3 (a skip along the
# row), all of row 4 (an empty line) and the end of the top row, left by an early end of picture.
HOLES = {(x, 1) for x in range(6, WIDTH)} | {(x, 3) for x in range(2, 5)} | {
    (x, 4) for x in range(WIDTH)} | {(x, 0) for x in range(4, WIDTH)}


def with_holes(rows):
    return [[None if (x, y) in HOLES else value for x, value in enumerate(row)]
            for y, row in enumerate(rows)]


def ppm(rows, palette):
    return b"P6 %d %d 255\n" % (len(rows[0]), len(rows)) + b"".join(
        bytes(palette[i] if i is not None else (0, 0, 0)) for row in rows for i in row)


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
    if bits == 8:
        return b"".join(pad4(bytes(row)) for row in bottom_up(rows))
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


def rle(rows, encode_run, encode_literal, literal_pad, end_marker=True):
    """Repeated pixels as runs; stretches of single pixels (at least three) in absolute mode.
    Unset pixels (None) as a skip along the row, or the end of their row, or of the picture."""
    out = b""
    lines = bottom_up(rows)
    for number, row in enumerate(lines):
        pending = []
        stretches = list(runs(row))
        for index, (value, count) in enumerate(stretches + [(0, 0)]):
            if count == 1 and value is not None:
                pending.append(value)
                continue
            if len(pending) >= 3:
                literal = encode_literal(pending)
                out += bytes([0, len(pending)]) + literal + b"\0" * (-len(literal) % literal_pad)
            else:
                out += b"".join(encode_run(v, 1) for v in pending)
            pending = []
            if value is None and index + 1 < len(stretches):
                out += bytes([0, 2, count, 0])
            elif value is None and number + 1 == len(lines):
                return out + b"\0\1"
            elif count and value is not None:
                out += encode_run(value, count)
        out += b"\0\0"
    return out + (b"\0\1" if end_marker else b"")


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


def s15(value):
    return struct.pack(">i", round(value * 65536))


def icc_tag(signature, body):
    return signature, body + b"\0" * (-len(body) % 4)


def xyz_tag(x, y, z):
    return b"XYZ \0\0\0\0" + s15(x) + s15(y) + s15(z)


def permuted_profile():
    """An ICC RGB profile with sRGB's curve whose red, green and blue are sRGB's green, blue and
    red: a picture tagged with it shows its channels moved one place."""
    red, green, blue = (0.4361, 0.2225, 0.0139), (0.3851, 0.7169, 0.0971), (0.1431, 0.0606, 0.7141)
    curve = b"para\0\0\0\0" + struct.pack(">HH", 3, 0) + b"".join(
        s15(v) for v in (2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045))
    name = "Permuted sRGB".encode("utf-16-be")
    description = b"mluc\0\0\0\0" + struct.pack(">II", 1, 12) + b"enUS" + struct.pack(
        ">II", len(name), 28) + name
    tags = [icc_tag(b"desc", description), icc_tag(b"wtpt", xyz_tag(0.9642, 1.0, 0.8249)),
            icc_tag(b"rXYZ", xyz_tag(*green)), icc_tag(b"gXYZ", xyz_tag(*blue)),
            icc_tag(b"bXYZ", xyz_tag(*red)), icc_tag(b"rTRC", curve), icc_tag(b"gTRC", curve),
            icc_tag(b"bTRC", curve)]
    offset = 128 + 4 + 12 * len(tags)
    table, data = struct.pack(">I", len(tags)), b""
    for signature, body in tags:
        table += signature + struct.pack(">II", offset + len(data), len(body))
        data += body
    size = offset + len(data)
    header = (struct.pack(">II", size, 0) + bytes([4, 0x30, 0, 0]) + b"mntrRGB XYZ " + b"\0" * 12
              + b"acsp" + b"\0" * 28 + s15(0.9642) + s15(1.0) + s15(0.8249))
    return header + b"\0" * (128 - len(header)) + table + data


def bitmap_with_profile(rows):
    """A V5 bitmap whose pixels hold each colour's green, blue and red in its red, green and
    blue, with the profile that says so embedded after them."""
    moved = lambda c: bytes([c[0], c[2], c[1]])  # blue, green, red bytes of (green, blue, red)
    pixels = truecolour(rows, 24, moved)
    header = bytearray(info(124, 24, 0, len(pixels), 0))
    profile = permuted_profile()
    struct.pack_into("<I", header, 56, 0x4D424544)  # an embedded profile
    struct.pack_into("<II", header, 112, len(header) + len(pixels), len(profile))
    return bmp(bytes(header), b"", pixels + profile)


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
    holes = with_holes(rows)
    rle8_holes = rle(holes, lambda v, n: bytes([n, v]), bytes, 2)
    rle4_holes = rle(holes, lambda v, n: bytes([n, (v << 4) | v]), nibbles, 2)
    rle24_holes = rle(holes, lambda v, n: bytes([n]) + bgr([v]), bgr, 2)
    rle4_unended = rle(rows, lambda v, n: bytes([n, (v << 4) | v]), nibbles, 2, False)
    # Indexes 6 and 9 past a palette of four.
    past8 = [[6 if v is None else v for v in row] for row in holes]
    past4 = [[9 if v is None else v for v in row] for row in holes]
    ten_bits = lambda c: struct.pack("<I", sum(((v << 2) | (v >> 6)) << shift
                                               for v, shift in zip(c, (20, 10, 0))))
    pixels10 = truecolour(rows, 32, ten_bits)
    # Red and green in one bit each, blue in none: only the primaries picture fits.
    one_bit = lambda c: struct.pack("<H", (0x8000 if c[0] else 0) | (1 if c[1] else 0))
    pixels1 = b"".join(pad4(b"".join(one_bit(PRIMARIES[i]) for i in row))
                       for row in bottom_up(rows))
    # Blue, green, red, alpha from the lowest byte up: masks that no default guesses.
    bgra = lambda c: struct.pack("<I", 0xFF | (c[2] << 8) | (c[1] << 16) | (c[0] << 24))
    bgra_masks = struct.pack("<IIII", 0xFF000000, 0xFF0000, 0xFF00, 0xFF)
    pixels_bgra = truecolour(rows, 32, bgra)
    rgba = lambda c: struct.pack("<I", c[0] | (c[1] << 8) | (c[2] << 16) | (0xFF << 24))
    rgba_masks = struct.pack("<IIII", 0xFF, 0xFF00, 0xFF0000, 0xFF000000)
    pixels_rgba = truecolour(rows, 32, rgba)
    argb1555 = lambda c: struct.pack("<H", 0x8000 | ((c[0] >> 3) << 10) | ((c[1] >> 3) << 5)
                                     | (c[2] >> 3))
    masks1555 = struct.pack("<IIII", 0x7C00, 0x03E0, 0x001F, 0x8000)
    pixels1555 = truecolour(rows, 16, argb1555)
    pixels8 = packed(rows, 8)
    top_down_info = bytearray(info(40, 24, 0, len(pixels24), 0))
    struct.pack_into("<i", top_down_info, 8, -HEIGHT)
    top_down24 = b"".join(pad4(bgr(row)) for row in rows)
    os2_core = struct.pack("<IHHHH", 12, WIDTH, HEIGHT, 1, 8)
    return {
        "header-v5-profile.bmp": bitmap_with_profile(rows),
        "header-v3-alpha.bmp": bmp(info(56, 32, 3, len(pixels_bgra), 0, bgra_masks), b"",
                                   pixels_bgra),
        "header-v4-masks-16.bmp": bmp(info(108, 16, 3, len(pixels1555), 0, masks1555), b"",
                                      pixels1555),
        "alpha-bitfields.bmp": bmp(info(40, 32, 6, len(pixels_rgba), 0), rgba_masks, pixels_rgba),
        "bitfields-10bit.bmp": bmp(info(40, 32, 3, len(pixels10), 0),
                                   struct.pack("<III", 0x3FF00000, 0xFFC00, 0x3FF), pixels10),
        "bitfields-1bit.bmp": bmp(info(40, 16, 3, len(pixels1), 0),
                                  struct.pack("<III", 0x8000, 0x0001, 0), pixels1),
        "rgb-16bit.bmp": bmp(info(40, 16, 0, len(pixels1555), 0), b"", pixels1555),
        "top-down.bmp": bmp(bytes(top_down_info), b"", top_down24),
        "os2-core.bmp": bmp(os2_core, bgr_palette(3, 256), pixels8),
        "palette-8bit.bmp": bmp(info(40, 8, 0, 0, 4), bgr_palette(), pixels8),
        "palette-8bit-past-end.bmp": bmp(info(40, 8, 0, 0, 4), bgr_palette(), packed(past8, 8)),
        "palette-4bit-past-end.bmp": bmp(info(40, 4, 0, 0, 4), bgr_palette(), packed(past4, 4)),
        "rle-8bit-skips.bmp": bmp(info(40, 8, 1, len(rle8_holes), 4), bgr_palette(), rle8_holes),
        "rle-4bit-skips.bmp": bmp(info(40, 4, 2, len(rle4_holes), 4), bgr_palette(), rle4_holes),
        "rle-24bit-skips.bmp": bmp(os2_v2_info(24, 4, len(rle24_holes)), b"", rle24_holes),
        "rle-4bit-no-end-marker.bmp": bmp(info(40, 4, 2, len(rle4_unended), 4), bgr_palette(),
                                          rle4_unended),
        "rle-8bit-cut-short.bmp": bmp(info(40, 8, 1, len(rle8) // 2, 4), bgr_palette(),
                                      rle8[:len(rle8) // 2]),
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


def tga(rows, image_type, right_to_left, top_down, width=WIDTH, height=HEIGHT, first_entry=0,
        map_present=None, map_bits=24):
    """Colour-mapped (1, 9) or true-colour (2, 10) TGA; a map may come with true colour too, and
    its first entry may have an index above zero."""
    colour_mapped = image_type in (1, 9)
    has_map = colour_mapped if map_present is None else map_present
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if has_map else 0, image_type, first_entry,
                         len(PALETTE) if has_map else 0, map_bits if has_map else 0, 0, 0,
                         width, height, 8 if colour_mapped else 24,
                         (0x10 if right_to_left else 0) | (0x20 if top_down else 0))
    if map_bits == 16:
        colour_map = b"".join(struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
                              for r, g, b in PALETTE)
    else:
        colour_map = bgr(range(len(PALETTE))) if has_map else b""
    ordered = rows if top_down else bottom_up(rows)
    # Unset pixels (None) get an index just below the map's first entry.
    index = lambda v: first_entry - 1 if v is None else first_entry + v
    pixel = (lambda v: bytes([index(v)])) if colour_mapped else (lambda v: bgr([v]))
    pixels = b""
    for row in ordered:
        row = list(reversed(row)) if right_to_left else row
        if image_type >= 9:
            pixels += b"".join(bytes([0x80 | (count - 1)]) + pixel(value)
                               for value, count in runs(row))
        else:
            pixels += b"".join(pixel(value) for value in row)
    return header + colour_map + pixels


def targas(rows):
    return {
        "origin-top-right.tga": tga(rows, 2, True, True),
        # One pixel: mirroring it leaves the same picture.
        "one-pixel-top-right.tga": tga([[0]], 2, True, True, 1, 1),
        "origin-bottom-right.tga": tga(rows, 2, True, False),
        "colour-mapped.tga": tga(rows, 1, False, False),
        "colour-map-first-entry.tga": tga(rows, 1, False, False, first_entry=10),
        "colour-mapped-rle-first-entry.tga": tga(rows, 9, False, True, first_entry=200),
        "colour-map-16bit.tga": tga(rows, 1, False, True, map_bits=16),
        "colour-map-index-outside.tga": tga(with_holes(rows), 1, False, False, first_entry=10),
        "truecolour-unused-map.tga": tga(rows, 2, False, False, map_present=True),
        "truecolour-rle-unused-map.tga": tga(rows, 10, False, True, map_present=True),
    }


def main(folder):
    rows = picture()
    files = {"four-colours.ppm": ppm(rows, PALETTE), "primaries.ppm": ppm(rows, PRIMARIES),
             "unset-black.ppm": ppm(with_holes(rows), PALETTE), **bitmaps(rows), **targas(rows)}
    for name, content in files.items():
        with open(f"{folder}/{name}", "wb") as out:
            out.write(content)


main(sys.argv[1])
