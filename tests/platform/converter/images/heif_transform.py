#!/usr/bin/env python3
"""Adds rotation ("irot"), mirroring ("imir") and colour ("colr" of type "nclx") properties to
the primary picture of a HEIF file, which heif-enc cannot write.

Usage: heif_transform.py IN OUT [irot=QUARTER_TURNS] [imir=MODE]
                                [nclx=PRIMARIES,TRANSFER,MATRIX] (full range). Expects the layout heif-enc
writes: one "meta" box before the "mdat" box, whose file offsets in "iloc" then move along.
"""
import struct
import sys


def boxes(data, start, end):
    """(type, offset, size) of the boxes between start and end."""
    while start < end:
        size, kind = struct.unpack(">I4s", data[start:start + 8])
        yield kind.decode(), start, size
        start += size


def find(data, start, end, kind):
    return next(box for box in boxes(data, start, end) if box[0] == kind)


def grow(data, offset, by):
    """Adds `by` to the size of the box at offset."""
    size = struct.unpack(">I", data[offset:offset + 4])[0]
    data[offset:offset + 4] = struct.pack(">I", size + by)


def primary_item(data, meta_children):
    _, offset, _ = find(data, *meta_children, "pitm")
    return struct.unpack(">H", data[offset + 12:offset + 14])[0]


def with_associations(ipma, item, indices):
    """The ipma box's payload with the property indices added to the item's entry (version 0,
    one-byte associations, all marked essential)."""
    body = bytearray(ipma[8:])
    assert body[0] == 0 and body[3] & 1 == 0, "only version 0 with 7-bit indices"
    count = struct.unpack(">I", body[4:8])[0]
    at = 8
    for _ in range(count):
        entry_item, associations = struct.unpack(">HB", body[at:at + 3])
        if entry_item == item:
            body[at + 2] = associations + len(indices)
            body[at + 3:at + 3] = bytes(0x80 | index for index in indices)
            return bytes(body)
        at += 3 + associations
    raise SystemExit("primary item has no ipma entry")


def shift_file_offsets(data, iloc_offset, by):
    """Moves the extents stored in the file (construction method 0) by `by` bytes."""
    at = iloc_offset + 8
    version = data[at]
    sizes = data[at + 4] << 8 | data[at + 5]
    offset_size, length_size, base_size = sizes >> 12, sizes >> 8 & 15, sizes >> 4 & 15
    index_size = sizes & 15 if version in (1, 2) else 0
    at += 6
    count_format = ">H" if version < 2 else ">I"
    count = struct.unpack(count_format, data[at:at + struct.calcsize(count_format)])[0]
    at += struct.calcsize(count_format)
    for _ in range(count):
        at += 2 if version < 2 else 4
        method = 0
        if version in (1, 2):
            method = data[at + 1] & 15
            at += 2
        at += 2
        base = int.from_bytes(data[at:at + base_size], "big")
        if method == 0 and base_size:
            data[at:at + base_size] = (base + by).to_bytes(base_size, "big")
        at += base_size
        extents = struct.unpack(">H", data[at:at + 2])[0]
        at += 2
        for _ in range(extents):
            at += index_size
            offset = int.from_bytes(data[at:at + offset_size], "big")
            if method == 0 and not base_size:
                data[at:at + offset_size] = (offset + by).to_bytes(offset_size, "big")
            at += offset_size + length_size


def main():
    source, target, *settings = sys.argv[1:]
    data = bytearray(open(source, "rb").read())
    properties = b""
    for setting in settings:
        name, value = setting.split("=")
        if name == "nclx":
            codes = [int(code) for code in value.split(",")]
            properties += struct.pack(">I4s4sHHHB", 19, b"colr", b"nclx", *codes, 0x80)
        else:
            properties += struct.pack(">I4sB", 9, name.encode(), int(value))
    _, meta, meta_size = find(data, 0, len(data), "meta")
    children = (meta + 12, meta + meta_size)
    item = primary_item(data, children)
    _, iprp, iprp_size = find(data, *children, "iprp")
    _, ipco, ipco_size = find(data, iprp + 8, iprp + iprp_size, "ipco")
    _, ipma, ipma_size = find(data, iprp + 8, iprp + iprp_size, "ipma")
    first_new = sum(1 for _ in boxes(data, ipco + 8, ipco + ipco_size)) + 1
    new_ipma = with_associations(bytes(data[ipma:ipma + ipma_size]), item,
                                 range(first_new, first_new + len(settings)))
    added = len(properties) + len(new_ipma) + 8 - ipma_size
    data[ipma + 8:ipma + ipma_size] = new_ipma
    grow(data, ipma, len(new_ipma) + 8 - ipma_size)
    data[ipco + ipco_size:ipco + ipco_size] = properties
    grow(data, ipco, len(properties))
    grow(data, iprp, added)
    grow(data, meta, added)
    _, iloc, _ = find(data, meta + 12, meta + meta_size + added, "iloc")
    assert iloc < ipco, "iloc must come before the properties"
    shift_file_offsets(data, iloc, added)
    open(target, "wb").write(data)


if __name__ == "__main__":
    main()
