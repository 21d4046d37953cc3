#!/usr/bin/env python3
"""Draws the program's icon and writes it as a multi-size .ico.

  make_icon.py [OUT.ico]      (default: app.ico beside this script)

The picture: a dark rounded tile with a light downward arrow dropping onto a small blue server
block with a green status light. Every size is drawn from the same shapes, with their edges put
on whole pixels at the small sizes so that 16 and 20 px stay sharp. Sizes up to 64 px are stored
as 32-bit BGRA bitmaps with an alpha channel; 256 px as a PNG, as Windows Vista and later accept.

Only the standard library is used, so the icon can be redrawn anywhere the build runs.
"""

from __future__ import annotations

import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_FROM = 256  # sizes from this one up are stored PNG-compressed

Colour = tuple[float, float, float]


def hex_colour(text: str) -> Colour:
    return tuple(int(text[i:i + 2], 16) / 255 for i in (1, 3, 5))  # type: ignore[return-value]


TILE_TOP = hex_colour("#343d4c")
TILE_BOTTOM = hex_colour("#1a1f28")
RIM = hex_colour("#56627a")
ARROW = hex_colour("#f4f7fb")
BLOCK_TOP = hex_colour("#4aa8f5")
BLOCK_BOTTOM = hex_colour("#2b7fd4")
SLOT = hex_colour("#1c4f86")
LIGHT = hex_colour("#6ff0a0")


# Signed distances (negative inside) of the few shapes the picture is made of, in pixels.

def rounded_box(x0: float, y0: float, x1: float, y1: float, r: float):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2
    r = min(r, hx, hy)

    def distance(x: float, y: float) -> float:
        qx, qy = abs(x - cx) - hx + r, abs(y - cy) - hy + r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return distance


def polygon(points: list[tuple[float, float]]):
    def distance(x: float, y: float) -> float:
        best = math.inf
        inside = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            best = min(best, math.hypot(wx - ex * t, wy - ey * t))
            if (yi > y) != (yj > y) and x < xi + (y - yi) * ex / ey:
                inside = not inside
            j = i
        return -best if inside else best

    return distance


def circle(cx: float, cy: float, r: float):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def coverage(distance, px: int, py: int) -> float:
    """How much of pixel (px, py) the shape covers, by 5x5 samples where an edge crosses it."""
    d = distance(px + 0.5, py + 0.5)
    if d <= -0.75:
        return 1.0
    if d >= 0.75:
        return 0.0
    n = 5
    hits = sum(
        distance(px + (i + 0.5) / n, py + (j + 0.5) / n) < 0 for i in range(n) for j in range(n))
    return hits / (n * n)


def vertical(top: Colour, bottom: Colour, y0: float, y1: float):
    def colour(_x: float, y: float) -> Colour:
        t = min(1.0, max(0.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))  # type: ignore[return-value]

    return colour


def flat(c: Colour):
    return lambda _x, _y: c


def layers(n: int):
    """The picture at n x n pixels: shapes with their fills, from the back to the front."""
    small = n <= 64

    def snap(v: float) -> float:
        return float(round(v)) if small else v

    # The tile fills the square at 16 px and keeps a small margin at larger sizes.
    m = snap(n / 32) if n > 16 else 0.0
    radius = n * 0.19
    rim = max(1.0, n / 40) if small else n / 40
    tile = rounded_box(m, m, n - m, n - m, radius)
    inner = rounded_box(m + rim, m + rim, n - m - rim, n - m - rim, radius - rim)

    # The server block along the bottom, with a slot and a status light at large sizes.
    bx0, bx1 = snap(n * 0.19), n - snap(n * 0.19)
    by0, by1 = snap(n * 0.68), snap(n * 0.87)
    block = rounded_box(bx0, by0, bx1, by1, max(0.5, n * 0.045))
    shapes = [
        (tile, flat(RIM)),
        (inner, vertical(TILE_TOP, TILE_BOTTOM, m, n - m)),
        (block, vertical(BLOCK_TOP, BLOCK_BOTTOM, by0, by1)),
    ]
    cy = (by0 + by1) / 2
    if n >= 32:
        slot_h = max(1.0, snap(n * 0.035))
        slot_y = snap(cy - slot_h / 2)
        shapes.append((rounded_box(bx0 + n * 0.09, slot_y, bx0 + n * 0.40, slot_y + slot_h,
                                   slot_h / 2), flat(SLOT)))
        if small:
            # A whole-pixel square, rounded only where there are pixels enough to show it.
            s = snap(n * (0.09 if n >= 48 else 0.075))
            lx, ly = snap(bx1 - n * 0.11 - s / 2), snap(cy - s / 2)
            light = rounded_box(lx, ly, lx + s, ly + s, s / 2 if n >= 48 else 0.0)
        else:
            light = circle(bx1 - n * 0.11, cy, n * 0.045)
        shapes.append((light, flat(LIGHT)))
    else:
        # One or two pixels of light are all that fit at 16 to 24 px.
        s = 1.0 if n < 24 else 2.0
        lx, ly = bx1 - 2 - s, snap(cy - s / 2)
        shapes.append((rounded_box(lx, ly, lx + s, ly + s, 0), flat(LIGHT)))

    # The arrow: a shaft and a head whose tip stops just above the block.
    c = n / 2
    shaft = snap(n * 0.075) if small else n * 0.075  # half width
    shaft = max(shaft, 1.0)
    head = snap(n * 0.27) if small else n * 0.27  # half width
    top = snap(n * 0.12)
    tip = by0 - max(1.0, snap(n * 0.06))
    neck = snap(tip - head * 0.95) if small else tip - head * 0.95
    arrow = polygon([
        (c - shaft, top), (c + shaft, top), (c + shaft, neck), (c + head, neck), (c, tip),
        (c - head, neck), (c - shaft, neck)
    ])
    shapes.append((arrow, flat(ARROW)))
    return shapes


def render(n: int) -> list[list[tuple[int, int, int, int]]]:
    """Rows of straight (not premultiplied) RGBA pixels, top row first."""
    shapes = layers(n)
    rows = []
    for py in range(n):
        row = []
        for px in range(n):
            r = g = b = a = 0.0  # premultiplied while compositing
            for distance, fill in shapes:
                cov = coverage(distance, px, py)
                if cov == 0.0:
                    continue
                fr, fg, fb = fill(px + 0.5, py + 0.5)
                r, g, b = (fr * cov + r * (1 - cov), fg * cov + g * (1 - cov),
                           fb * cov + b * (1 - cov))
                a = cov + a * (1 - cov)
            if a > 0:
                r, g, b = r / a, g / a, b / a
            row.append(tuple(int(round(v * 255)) for v in (r, g, b, a)))
        rows.append(row)
    return rows


def png(rows) -> bytes:
    n = len(rows)

    def chunk(kind: bytes, data: bytes) -> bytes:
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(rows) -> bytes:
    """A 32-bit icon bitmap: header (height doubled), BGRA rows bottom-up, then the 1-bit mask."""
    n = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_stride = (n + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:  # transparent for programs that ignore the alpha channel
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + colour + bytes(mask)


def ico(images: list[tuple[int, bytes]]) -> bytes:
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for n, image in images:
        entries += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return directory + entries + data


def main() -> int:
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("app.ico")
    images = []
    for n in SIZES:
        rows = render(n)
        images.append((n, png(rows) if n >= PNG_FROM else dib(rows)))
    out.write_bytes(ico(images))
    print(f"{out}: {', '.join(str(n) for n in SIZES)} px, {out.stat().st_size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
