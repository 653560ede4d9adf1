#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_packed_dib into DIR (default: corpus/fuzz_packed_dib beside this script).

Each seed is the fuzzer's input: 8 bytes of drawing parameters, then a packed DIB (40-byte header, colour
table, rows padded to 32 bits) at depths 1, 4, 8, 24 and 32, bottom-up and top-down (refused by the
layout check), with and without biClrUsed. Deterministic: rerunning gives the same files.
"""
import os
import random
import struct
import sys


def packed_dib(width, height, depth, rng, used=0):
    rows = abs(height)
    row_bytes = (width * depth + 31) // 32 * 4
    entries = used if used else (1 << depth if depth <= 8 else 0)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, depth, 0, row_bytes * rows, 0, 0, used, 0)
    table = bytes(rng.randrange(256) if i % 4 != 3 else 0 for i in range(4 * entries))
    pixels = bytes(rng.randrange(256) for _ in range(row_bytes * rows))
    return header + table + pixels


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus', 'fuzz_packed_dib')
    os.makedirs(out, exist_ok=True)
    rng = random.Random(1)
    cases = [(5, 3, 1, 0), (7, 4, 4, 0), (6, 5, 8, 0), (3, 3, 24, 0), (4, 2, 32, 0), (9, -4, 24, 0),
             (6, 3, 8, 16), (33, 2, 1, 0)]
    for i, (w, h, depth, used) in enumerate(cases):
        params = bytes([rng.randrange(256) for _ in range(8)])
        with open(os.path.join(out, 'seed_%02d_%dbit' % (i, depth)), 'wb') as f:
            f.write(params + packed_dib(w, h, depth, rng, used))


if __name__ == '__main__':
    main()
