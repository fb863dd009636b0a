#!/usr/bin/env python3
"""Converts an X window dump (xwd -root, 24 or 32 bits per pixel) into a PNG picture.
Usage: xwd-to-png.py IN.xwd OUT.png"""
import struct
import sys
import zlib


def main(src, dst):
    data = open(src, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask, ncolors = fields[14], fields[15], fields[16], fields[19]
    if bits_per_pixel not in (24, 32):
        sys.exit(f"xwd-to-png: {bits_per_pixel} bits per pixel are not supported")
    step = bits_per_pixel // 8
    pixels = data[header_size + ncolors * 12:]
    endian = "little" if byte_order == 0 else "big"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        line = pixels[y * bytes_per_line:(y + 1) * bytes_per_line]
        for x in range(width):
            v = int.from_bytes(line[x * step:(x + 1) * step], endian)
            rows += bytes(((v & red_mask) >> rs, (v & green_mask) >> gs, (v & blue_mask) >> bs))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b"")
    open(dst, "wb").write(png)
    if len(set(rows[1:1 + width * 3])) <= 1 and len(set(rows)) <= 2:
        sys.exit(f"xwd-to-png: {dst} is blank: nothing was on the screen")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
