#!/usr/bin/env python3
"""Writes a WIDTHxHEIGHT photo-like picture (a gradient under seeded noise) as binary PPM or PNG,
row by row, so that a picture of hundreds of megapixels costs no more than a few rows of memory.
Usage: bench/make-photo.py WIDTH HEIGHT ppm|png OUTPUT"""
import random
import struct
import sys
import zlib


def rows(width, height):
    noise = random.Random(7)
    # A few hundred noisy rows, cycled and tinted by a vertical gradient: real photos compress
    # to a few bytes per pixel, a flat colour or pure noise would not.
    grain = [bytes(noise.randrange(48) + (i % 3) * 20 for i in range(width * 3)) for _ in range(61)]
    shades = [bytes((b + shade) & 0xFF for b in range(256)) for shade in range(200)]
    for y in range(height):
        yield grain[y % 61].translate(shades[200 * y // height])


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def main():
    width, height, kind, output = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
    with open(output, "wb") as out:
        if kind == "ppm":
            out.write(b"P6 %d %d 255\n" % (width, height))
            for row in rows(width, height):
                out.write(row)
            return
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        packer = zlib.compressobj(6)
        for row in rows(width, height):
            data = packer.compress(b"\0" + row)
            if data:
                out.write(chunk(b"IDAT", data))
        out.write(chunk(b"IDAT", packer.flush()))
        out.write(chunk(b"IEND", b""))


main()
