#!/usr/bin/env python3
"""Writes the made-up elevation tile of the network example in docs/network.md: N41W082.hgt,
3 arc-seconds (1201 x 1201 big-endian 16-bit heights), gently rolling ground near 250 m with a
ridge of 420 m running north-south at 81 deg 38' W between 41 deg 30' and 41 deg 50' N.

    tools/example_tile.py OUT-DIR
"""
import math
import struct
import sys

n = 1201
out = sys.argv[1] if len(sys.argv) > 1 else "."
rows = []
for r in range(n):
    lat = 42.0 - r / (n - 1)
    row = []
    for c in range(n):
        lon = -82.0 + c / (n - 1)
        h = 250 + 8 * math.sin(lat * 37) * math.cos(lon * 29)
        ridge = math.exp(-(((lon + 81.6333) / 0.012) ** 2))
        if 41.5 <= lat <= 41.8333:
            h += 170 * ridge
        row.append(int(round(h)))
    rows.append(struct.pack(">%dh" % n, *row))
with open(out + "/N41W082.hgt", "wb") as f:
    f.write(b"".join(rows))
