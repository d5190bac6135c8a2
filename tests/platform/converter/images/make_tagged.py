#!/usr/bin/env python3
"""Writes the pictures tagged with an ICC profile, and the profiles, for the colour tests.

Usage: make_tagged.py FOLDER JPEG. JPEG is an untagged JPEG of quadrants.png; the PNG and TIFF
files are written from quadrants.png's colours. Writes into FOLDER:
  adobe-rgb.icc, display-p3.icc, srgb.icc   matrix/curve profiles of those spaces (v2)
  adobe-rgb.jpg        JPEG with the Adobe RGB (1998) profile in one APP2 segment
  adobe-rgb-split.jpg  the same profile split over two APP2 segments
  display-p3.png       8-bit PNG with the Display P3 profile in iCCP
  adobe-rgb.tiff       8-bit TIFF with the Adobe RGB (1998) profile in tag 34675
  gradient-16bit.png, gradient-16bit-p3.png  smooth 16-bit ramps, untagged and Display P3
  gradient-16bit-in-8-bits.png, gradient-16bit-p3-in-srgb.png  what those ramps are in 8-bit
      sRGB, worked out exactly and rounded once (ImageMagick's "-depth 8" truncates)
  adobe-rgb-table.png, gradient-16bit-adobe-table.png  8-bit quadrants and the 16-bit ramps with
      Adobe RGB (1998) as a table profile (A2B0) instead of a matrix/curve one
  gradient-16bit-adobe-in-srgb.png  that ramp in 8-bit sRGB, worked out exactly
"""
import struct
import sys
import zlib

D50 = (0.9642, 1.0, 0.8249)
# Each space's primaries as XYZ columns adapted to the D50 connection space (Bradford).
COLORANTS = {
    "adobe-rgb": ((0.6097559, 0.3111242, 0.0194811), (0.2052401, 0.6256560, 0.0608902),
                  (0.1492240, 0.0632197, 0.7448387)),
    "display-p3": ((0.5151215, 0.2411823, -0.0010501), (0.2919769, 0.6922448, 0.0418854),
                   (0.1571515, 0.0665881, 0.7843783)),
    "srgb": ((0.4360747, 0.2225045, 0.0139322), (0.3850649, 0.7168786, 0.0971045),
             (0.1430804, 0.0606169, 0.7141733)),
}
QUADRANTS = ((220, 40, 40), (40, 200, 60), (40, 70, 220), (240, 220, 60))


def s15(value):
    return struct.pack(">i", round(value * 65536))


def xyz(values):
    return b"XYZ \0\0\0\0" + b"".join(s15(v) for v in values)


def trc(space):
    if space == "adobe-rgb":
        return b"curv\0\0\0\0" + struct.pack(">IH", 1, 563)  # gamma 563/256
    # The sRGB curve, which Display P3 shares: parametric function 3.
    params = (2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045)
    return b"para\0\0\0\0" + struct.pack(">HH", 3, 0) + b"".join(s15(p) for p in params)


def description(text):
    ascii_text = text.encode() + b"\0"
    return (b"desc\0\0\0\0" + struct.pack(">I", len(ascii_text)) + ascii_text
            + struct.pack(">II", 0, 0) + struct.pack(">HB", 0, 0) + b"\0" * 67)


def icc(space, text):
    red, green, blue = COLORANTS[space]
    curve = trc(space)
    return icc_with_tags([
        (b"desc", description(text)), (b"cprt", b"text\0\0\0\0No copyright, test data\0"),
        (b"wtpt", xyz(D50)), (b"rXYZ", xyz(red)), (b"gXYZ", xyz(green)), (b"bXYZ", xyz(blue)),
        (b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve)])


def icc_with_tags(tags):
    offset = 128 + 4 + 12 * len(tags)
    table, data = b"", b""
    for signature, body in tags:
        body += b"\0" * (-len(body) % 4)
        table += signature + struct.pack(">II", offset + len(data), len(body))
        data += body
    size = offset + len(data)
    header = (struct.pack(">I", size) + b"\0" * 4 + struct.pack(">I", 0x02100000)
              + b"mntrRGB XYZ " + struct.pack(">6H", 2024, 1, 1, 0, 0, 0) + b"acsp"
              + b"\0" * 24 + struct.pack(">I", 0) + b"".join(s15(v) for v in D50) + b"\0" * 48)
    return header + struct.pack(">I", len(tags)) + table + data


def table_icc(space, text):
    """The same space as a lut16 A2B0 table: the curve as input tables, the colorants at the
    corners of a 2x2x2 grid (exact, the mapping being linear), XYZ as 1.15 fixed point."""
    entries = 4096
    curve = [round(65535 * (i / (entries - 1)) ** (563 / 256)) for i in range(entries)]
    columns = COLORANTS[space]
    grid = b""
    for r in (0, 1):
        for g in (0, 1):
            for b in (0, 1):
                xyz_values = [r * columns[0][i] + g * columns[1][i] + b * columns[2][i]
                              for i in range(3)]
                grid += b"".join(struct.pack(">H", min(65535, round(v * 32768)))
                                 for v in xyz_values)
    identity_matrix = b"".join(s15(1.0 if row == column else 0.0)
                               for row in range(3) for column in range(3))
    lut = (b"mft2\0\0\0\0" + bytes([3, 3, 2, 0]) + identity_matrix
           + struct.pack(">HH", entries, 2)
           + b"".join(struct.pack(">H", v) for v in curve) * 3 + grid
           + struct.pack(">HH", 0, 65535) * 3)
    return icc_with_tags([(b"desc", description(text)),
                          (b"cprt", b"text\0\0\0\0No copyright, test data\0"),
                          (b"wtpt", xyz(D50)), (b"A2B0", lut)])


def quadrant_rows(size=32):
    half = size // 2
    return [[QUADRANTS[(x >= half) + 2 * (y >= half)] for x in range(size)] for y in range(size)]


def app2_segments(profile, parts):
    step = -(-len(profile) // parts)
    chunks = [profile[i:i + step] for i in range(0, len(profile), step)]
    return b"".join(b"\xff\xe2" + struct.pack(">H", 2 + 14 + len(chunk)) + b"ICC_PROFILE\0"
                    + bytes([number, len(chunks)]) + chunk
                    for number, chunk in enumerate(chunks, 1))


def tagged_jpeg(jpeg, profile, parts):
    assert jpeg[:2] == b"\xff\xd8"
    return jpeg[:2] + app2_segments(profile, parts) + jpeg[2:]


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data))


def png(rows, depth, profile=None):
    """RGB rows of 8- or 16-bit samples."""
    sample = ">H" if depth == 16 else ">B"
    raw = b"".join(b"\0" + b"".join(struct.pack(sample, v) for pixel in row for v in pixel)
                   for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), depth, 2, 0, 0, 0)
    chunks = png_chunk(b"IHDR", header)
    if profile:
        chunks += png_chunk(b"iCCP", b"ICC profile\0\0" + zlib.compress(profile))
    return (b"\x89PNG\r\n\x1a\n" + chunks + png_chunk(b"IDAT", zlib.compress(raw))
            + png_chunk(b"IEND", b""))


def tiff(rows, profile):
    """Little-endian, uncompressed 8-bit RGB in one strip, the profile after the pixels."""
    width, height = len(rows[0]), len(rows)
    pixels = bytes(v for row in rows for pixel in row for v in pixel)
    bits_at = 8 + len(pixels)
    profile_at = bits_at + 6
    entries = [(256, 3, 1, width), (257, 3, 1, height), (258, 3, 3, bits_at), (259, 3, 1, 1),
               (262, 3, 1, 2), (273, 4, 1, 8), (277, 3, 1, 3), (278, 3, 1, height),
               (279, 4, 1, len(pixels)), (284, 3, 1, 1), (34675, 7, len(profile), profile_at)]
    directory_at = profile_at + len(profile) + (len(profile) % 2)
    directory = struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        packed = struct.pack("<H", value) + b"\0\0" if kind == 3 and count == 1 else \
            struct.pack("<I", value)
        directory += struct.pack("<HHI", tag, kind, count) + packed
    directory += struct.pack("<I", 0)
    body = (pixels + struct.pack("<HHH", 8, 8, 8) + profile + b"\0" * (len(profile) % 2))
    return b"II*\0" + struct.pack("<I", directory_at) + body + directory


def gradient_rows(width=1024):
    """Three ramps from black: green, a warm orange and grey; steps far below one 8-bit level."""
    ramps = ((0, 1, 0), (1, 0.55, 0.2), (1, 1, 1))
    return [[tuple(round(x * 65535 / (width - 1) * share) for share in ramp)
             for x in range(width)] for ramp in ramps for _ in range(2)]


def srgb_decoded(value):
    return value / 12.92 if value <= 0.04045 else ((value + 0.055) / 1.055) ** 2.4


def srgb_encoded(value):
    return value * 12.92 if value <= 0.0031308 else 1.055 * value ** (1 / 2.4) - 0.055


def inverse(matrix):
    (a, b, c), (d, e, f), (g, h, i) = matrix
    det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)
    return [[(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det],
            [(f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det],
            [(d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det]]


def columns(colorants):
    return [[colorants[column][row] for column in range(3)] for row in range(3)]


def times(matrix, vector):
    return [sum(m * v for m, v in zip(row, vector)) for row in matrix]


def in_srgb(pixel, space):
    """A 16-bit pixel of Display P3 or Adobe RGB in 8-bit sRGB; colours sRGB cannot hold are
    clipped, as a colorimetric conversion does."""
    decoded = srgb_decoded if space == "display-p3" else lambda v: v ** (563 / 256)
    linear = [decoded(v / 65535) for v in pixel]
    srgb_linear = times(inverse(columns(COLORANTS["srgb"])),
                    times(columns(COLORANTS[space]), linear))
    return tuple(round(255 * srgb_encoded(min(1.0, max(0.0, v)))) for v in srgb_linear)


def main(folder, jpeg_path):
    profiles = {"adobe-rgb": icc("adobe-rgb", "Adobe RGB (1998) compatible"),
                "display-p3": icc("display-p3", "Display P3 compatible"),
                "srgb": icc("srgb", "sRGB compatible")}
    with open(jpeg_path, "rb") as source:
        jpeg = source.read()
    files = {f"{name}.icc": profile for name, profile in profiles.items()}
    files.update({
        "adobe-rgb.jpg": tagged_jpeg(jpeg, profiles["adobe-rgb"], 1),
        "adobe-rgb-split.jpg": tagged_jpeg(jpeg, profiles["adobe-rgb"], 2),
        "display-p3.png": png(quadrant_rows(), 8, profiles["display-p3"]),
        "adobe-rgb.tiff": tiff(quadrant_rows(), profiles["adobe-rgb"]),
        "gradient-16bit.png": png(gradient_rows(), 16),
        "gradient-16bit-p3.png": png(gradient_rows(), 16, profiles["display-p3"]),
        "gradient-16bit-in-8-bits.png": png(
            [[tuple(round(v / 257) for v in pixel) for pixel in row] for row in gradient_rows()],
            8),
        "gradient-16bit-p3-in-srgb.png": png(
            [[in_srgb(pixel, "display-p3") for pixel in row] for row in gradient_rows()], 8),
        "adobe-rgb-table.png": png(quadrant_rows(), 8, table_icc("adobe-rgb", "Adobe table")),
        "gradient-16bit-adobe-table.png": png(gradient_rows(), 16,
                                              table_icc("adobe-rgb", "Adobe table")),
        "gradient-16bit-adobe-in-srgb.png": png(
            [[in_srgb(pixel, "adobe-rgb") for pixel in row] for row in gradient_rows()], 8),
    })
    for name, content in files.items():
        with open(f"{folder}/{name}", "wb") as out:
            out.write(content)


main(sys.argv[1], sys.argv[2])
