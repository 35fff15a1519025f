#!/usr/bin/env python3
"""Reads an uncompressed bitmap file on its own terms and prints what it holds.

Output, one item a line:
  header <width> <height> <bits> <offbits> <filesize> <filelength>
  entry <red> <green> <blue> <reserved>     (colour table, in order)
  row <value> ...                            (picture rows from the top; an
                                             index at 8 bits or fewer, else the
                                             colour as 0xRRGGBB in decimal)
"""
import struct
import sys


def main(path):
    data = open(path, "rb").read()
    magic, file_size, _r1, _r2, off_bits = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM":
        sys.exit("not a bitmap file")
    (bi_size, width, height, planes, bits, compression, _image_size, _xppm, _yppm,
     clr_used, _clr_important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    if bi_size != 40 or planes != 1 or compression != 0 or height <= 0:
        sys.exit("unexpected header")
    print("header", width, height, bits, off_bits, file_size, len(data))

    colours = (clr_used or (1 << bits)) if bits <= 8 else 0
    for i in range(colours):
        b, g, r, reserved = struct.unpack_from("<BBBB", data, 54 + 4 * i)
        print("entry", r, g, b, reserved)

    row_bytes = (width * bits + 31) // 32 * 4
    rows = []
    for file_row in range(height):  # stored bottom row first
        start = off_bits + file_row * row_bytes
        row = data[start:start + row_bytes]
        values = []
        for x in range(width):
            if bits == 24:
                b, g, r = row[3 * x:3 * x + 3]
                values.append((r << 16) | (g << 8) | b)
            elif bits in (1, 2, 4, 8):
                bit = x * bits
                byte = row[bit // 8]
                shift = 8 - bits - bit % 8
                values.append((byte >> shift) & ((1 << bits) - 1))
            else:
                values.append(int.from_bytes(row[x * bits // 8:(x + 1) * bits // 8], "little"))
        rows.append(values)
    for values in reversed(rows):
        print("row", *values)


if __name__ == "__main__":
    main(sys.argv[1])
