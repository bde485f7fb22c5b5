#!/usr/bin/env python3
"""Compares two PNG pictures pixel by pixel: prints "size WxH", "differing N" (pixels whose
colour differs at all) and "largest D" (the largest difference of one channel, 0..255),
and exits 0 when at most ALLOWED pixels differ.
    png_difference.py A.png B.png [ALLOWED]
Reads the 8-bit, non-interlaced grey, RGB and RGBA pictures that Qt writes; Python's own
zlib is all it needs."""
import struct
import sys
import zlib

CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in CHANNELS or interlace:
        sys.exit(f"{path}: unsupported PNG (depth {depth}, colour type {colour})")
    n = CHANNELS[colour]
    stride = width * n
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - n] if i >= n else 0
            up = previous[i]
            corner = previous[i - n] if i >= n else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                best = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + best) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, n, rows


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    allowed = int(sys.argv[3]) if len(sys.argv) == 4 else 0
    wa, ha, na, a = read_png(sys.argv[1])
    wb, hb, nb, b = read_png(sys.argv[2])
    if (wa, ha, na) != (wb, hb, nb):
        print(f"size {wa}x{ha} against {wb}x{hb}")
        return 1
    differing = largest = 0
    for row_a, row_b in zip(a, b):
        if row_a == row_b:
            continue
        for x in range(wa):
            pa, pb = row_a[x * na:(x + 1) * na], row_b[x * na:(x + 1) * na]
            if pa != pb:
                differing += 1
                largest = max(largest, max(abs(p - q) for p, q in zip(pa, pb)))
    print(f"size {wa}x{ha}\ndiffering {differing}\nlargest {largest}")
    return 0 if differing <= allowed else 1


if __name__ == "__main__":
    sys.exit(main())
