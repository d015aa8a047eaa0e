#!/usr/bin/env python3
"""Compares two grey renderings (binary PGM, as pdftoppm -gray writes them) of one page.

Prints the number of pixels whose grey differs by more than a small amount, and the largest
difference; exits 1 when the sizes differ or more than the allowed share of pixels differ.
Usage: pgm_diff.py a.pgm b.pgm [allowed share of differing pixels, default 0.001]
"""
import sys


def read_pgm(path):
    data = open(path, "rb").read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P5" or int(fields[3]) > 255:
        sys.exit(f"{path}: not an 8-bit binary PGM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:at + 1 + width * height]


def main():
    a, b = read_pgm(sys.argv[1]), read_pgm(sys.argv[2])
    allowed = float(sys.argv[3]) if len(sys.argv) > 3 else 0.001
    if a[:2] != b[:2]:
        print(f"sizes differ: {a[:2]} and {b[:2]}")
        return 1
    # Edges of glyphs may be shaded a little differently by the two fonts' rasterisers; a
    # pixel counts as different when its grey moves by more than a quarter of the range.
    threshold = 64
    differing = 0
    largest = 0
    for x, y in zip(a[2], b[2]):
        d = abs(x - y)
        if d > largest:
            largest = d
        if d > threshold:
            differing += 1
    share = differing / max(1, len(a[2]))
    print(f"differing {differing} of {len(a[2])} ({share:.5f}), largest {largest}")
    return 0 if share <= allowed else 1


sys.exit(main())
