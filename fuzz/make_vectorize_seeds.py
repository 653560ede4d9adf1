#!/usr/bin/env python3
"""Writes the vectorizer's seeds of fuzz_outline into DIR (default: corpus/fuzz_outline beside this script).

Each seed is the fuzzer's image description: width - 1, height - 1, a mode byte (bits 0-1 depth 24/32/8/1,
bit 2 shapes as one bit per pixel), then the pixel data. Deterministic: rerunning gives the same files.
"""
import os
import random
import sys

DEPTH = {24: 0, 32: 1, 8: 2, 1: 3}


def shape_seed(rows, depth=24):
    h, w = len(rows), len(rows[0])
    bits = bytearray((w * h + 7) // 8)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch == '#':
                i = y * w + x
                bits[i // 8] |= 1 << (i % 8)
    return bytes([w - 1, h - 1, DEPTH[depth] | 4]) + bytes(bits)


def raw_seed(w, h, depth, pixels):
    return bytes([w - 1, h - 1, DEPTH[depth]]) + bytes(pixels)


def strokes(w, h, rng, count):
    grid = [['.'] * w for _ in range(h)]
    for _ in range(count):
        x, y = rng.randrange(w), rng.randrange(h)
        dx, dy = rng.choice([(1, 0), (0, 1), (1, 1), (1, -1)])
        for _ in range(rng.randrange(4, 30)):
            for ox in (0, 1):
                if 0 <= x + ox < w and 0 <= y < h:
                    grid[y][x + ox] = '#'
            x, y = x + dx, y + dy
    return [''.join(r) for r in grid]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'corpus', 'fuzz_outline')
    os.makedirs(out, exist_ok=True)
    rng = random.Random(4)
    seeds = {
        'one_pixel': shape_seed(['#']),
        'centre_pixel_3x3': shape_seed(['...', '.#.', '...']),
        'filled_20x10': shape_seed(['#' * 20] * 10),
        'ring_6x6': shape_seed(['######', '#....#', '#....#', '#....#', '#....#', '######']),
        'two_blobs': shape_seed(['..........', '..####....', '..####....', '..........', '.......##.']),
        'diagonals_32': shape_seed(['#...#', '.#.#.', '..#..', '.#.#.', '#...#'], 32),
        'comb_40x15': shape_seed(['#' * 40] + ['#.' * 20] * 14),
        'strokes_64x64': shape_seed(strokes(64, 64, rng, 25)),
        'strokes_37x23_32': shape_seed(strokes(37, 23, rng, 8), 32),
        'white_9x7': shape_seed(['.' * 9] * 7),
        'raw_8x8_24': raw_seed(8, 8, 24, [0xFF if rng.random() < 0.6 else rng.randrange(256) for _ in range(192)]),
        'raw_5x4_32': raw_seed(5, 4, 32, [rng.randrange(256) if i % 4 == 0 or rng.random() < 0.3 else 0xFF
                                          for i in range(80)]),
        'depth_8_refused': raw_seed(4, 4, 8, [0] * 16),
        'depth_1_refused': shape_seed(['#.#', '.#.'], 1),
    }
    for name, data in sorted(seeds.items()):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
        print(f'{name}: {len(data)} bytes')


if __name__ == '__main__':
    main()
