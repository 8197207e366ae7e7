#!/usr/bin/python3
"""Draws the example drawing: a mechanical part as a draughtsman would scan it.

A plate outline with a rounded corner, four bolt holes with centre marks, a large bore with a
chamfer circle, a slot with half-round ends, dashed centre lines, a hatched section, and lines of
several widths. Writes examples/drawing.png (1-bit greyscale) and examples/drawing.pbm; the TIFF
G4 copy is made from the PBM with libtiff's ppm2tiff (`ppm2tiff -c g4 -R 200 drawing.pbm
drawing.tif`). Only the standard library is used, so the drawing is the same everywhere.
"""

import math
import os
import struct
import sys
import zlib

W, H = 1400, 1000  # pixels at 200 dpi: a 178 x 127 mm sheet


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.ink = bytearray(w * h)  # 1 = ink

    def disc(self, cx, cy, r):
        """Inks the pixels whose centres lie within r of (cx, cy)."""
        for y in range(max(0, int(cy - r - 1)), min(self.h, int(cy + r + 2))):
            for x in range(max(0, int(cx - r - 1)), min(self.w, int(cx + r + 2))):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.ink[y * self.w + x] = 1

    def segment(self, x1, y1, x2, y2, width):
        """Inks the pixels whose centres lie within width/2 of the segment."""
        half = width / 2.0
        dx, dy = x2 - x1, y2 - y1
        len2 = dx * dx + dy * dy
        for y in range(max(0, int(min(y1, y2) - half - 1)), min(self.h, int(max(y1, y2) + half + 2))):
            for x in range(max(0, int(min(x1, x2) - half - 1)), min(self.w, int(max(x1, x2) + half + 2))):
                t = 0.0 if len2 == 0 else max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / len2))
                ex, ey = x - (x1 + t * dx), y - (y1 + t * dy)
                if ex * ex + ey * ey <= half * half:
                    self.ink[y * self.w + x] = 1

    def arc(self, cx, cy, r, a0, a1, width):
        """Inks a circular arc from angle a0 to a1 (degrees, y down the page)."""
        half = width / 2.0
        for y in range(max(0, int(cy - r - half - 1)), min(self.h, int(cy + r + half + 2))):
            for x in range(max(0, int(cx - r - half - 1)), min(self.w, int(cx + r + half + 2))):
                d = math.hypot(x - cx, y - cy)
                if abs(d - r) > half:
                    continue
                a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
                if (a - a0) % 360.0 <= (a1 - a0) % 360.0 or a1 - a0 >= 360.0:
                    self.ink[y * self.w + x] = 1

    def dashed(self, x1, y1, x2, y2, width, dash=28, gap=8, dot=4):
        """A centre line: long dash, gap, short dash, gap."""
        length = math.hypot(x2 - x1, y2 - y1)
        ux, uy = (x2 - x1) / length, (y2 - y1) / length
        s = 0.0
        pattern = [(dash, True), (gap, False), (dot, True), (gap, False)]
        i = 0
        while s < length:
            run, inked = pattern[i % 4]
            e = min(length, s + run)
            if inked:
                self.segment(x1 + ux * s, y1 + uy * s, x1 + ux * e, y1 + uy * e, width)
            s = e
            i += 1


def draw():
    c = Canvas(W, H)
    thick, thin = 5, 2
    # Plate outline: three straight sides and a rounded corner at the top right.
    left, top, right, bottom, r = 150, 150, 1150, 800, 80
    c.segment(left, top, right - r, top, thick)
    c.segment(right, top + r, right, bottom, thick)
    c.segment(right, bottom, left, bottom, thick)
    c.segment(left, bottom, left, top, thick)
    c.arc(right - r, top + r, r, 270, 360, thick)
    # Bolt holes with centre marks.
    for hx, hy in [(250, 250), (250, 700), (1050, 700), (950, 250)]:
        c.arc(hx, hy, 30, 0, 360, thin + 1)
        c.segment(hx - 42, hy, hx + 42, hy, 1)
        c.segment(hx, hy - 42, hx, hy + 42, 1)
    # Central bore with a chamfer circle, and its centre lines.
    bx, by = 600, 475
    c.arc(bx, by, 140, 0, 360, thick)
    c.arc(bx, by, 120, 0, 360, thin)
    c.dashed(bx - 200, by, bx + 200, by, thin)
    c.dashed(bx, by - 200, bx, by + 200, thin)
    # A slot with half-round ends.
    sx1, sx2, sy, sr = 850, 1000, 475, 35
    c.segment(sx1, sy - sr, sx2, sy - sr, thin + 1)
    c.segment(sx1, sy + sr, sx2, sy + sr, thin + 1)
    c.arc(sx1, sy, sr, 90, 270, thin + 1)
    c.arc(sx2, sy, sr, 270, 90, thin + 1)
    # Hatched section at the bottom left: a box with 45-degree hatching.
    hx1, hy1, hx2, hy2 = 190, 560, 380, 660
    c.segment(hx1, hy1, hx2, hy1, thin)
    c.segment(hx2, hy1, hx2, hy2, thin)
    c.segment(hx2, hy2, hx1, hy2, thin)
    c.segment(hx1, hy2, hx1, hy1, thin)
    k = hx1 - hy2 + 20
    while k < hx2 - hy1:
        # the line x - y = k clipped to the box
        xa, ya = max(hx1, hy1 + k), max(hy1, hx1 - k)
        xb, yb = min(hx2, hy2 + k), min(hy2, hx2 - k)
        if xb - xa > 6:
            c.segment(xa + 3, ya + 3, xb - 3, yb - 3, 1)
        k += 20
    # Dimension line with arrows under the plate, and a title frame.
    c.segment(left, 880, right, 880, 1)
    for x, s in [(left, 1), (right, -1)]:
        c.segment(x, 880, x + s * 20, 873, 1)
        c.segment(x, 880, x + s * 20, 887, 1)
    c.segment(40, 40, W - 40, 40, 8)
    c.segment(W - 40, 40, W - 40, H - 40, 8)
    c.segment(W - 40, H - 40, 40, H - 40, 8)
    c.segment(40, H - 40, 40, 40, 8)
    # A diagonal stiffener at two widths.
    c.segment(420, 700, 560, 600, 3)
    c.segment(660, 600, 800, 700, 6)
    return c


def write_png(path, c):
    rows = bytearray()
    for y in range(c.h):
        rows.append(0)  # filter: none
        row = c.ink[y * c.w:(y + 1) * c.w]
        rows.extend(0 if v else 255 for v in row)
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    ihdr = struct.pack(">IIBBBBB", c.w, c.h, 8, 0, 0, 0, 0)
    dpm = int(round(200 / 0.0254))
    phys = struct.pack(">IIB", dpm, dpm, 1)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"pHYs", phys) +
                chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def write_pbm(path, c):
    with open(path, "wb") as f:
        f.write(b"P4\n%d %d\n" % (c.w, c.h))
        stride = (c.w + 7) // 8
        for y in range(c.h):
            row = bytearray(stride)
            for x in range(c.w):
                if c.ink[y * c.w + x]:
                    row[x >> 3] |= 0x80 >> (x & 7)
            f.write(row)


if __name__ == "__main__":
    out = os.path.dirname(os.path.abspath(__file__)) if len(sys.argv) < 2 else sys.argv[1]
    canvas = draw()
    write_png(os.path.join(out, "drawing.png"), canvas)
    write_pbm(os.path.join(out, "drawing.pbm"), canvas)
