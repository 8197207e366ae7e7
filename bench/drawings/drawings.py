#!/usr/bin/python3
"""Synthetic engineering drawings with exact ground truth.

    drawings.py OUT.png [--size 1000x800 | --size a0] [--seed N] [--noise P] [--blur]
                [--jitter J] [--gaps N] [--widths 1-8] [--features bar,arc,...] [--pbm OUT.pbm]
                [--layout cells|bargrid] [--mixed]

Writes OUT.png (1-bit, or 8-bit grey when blurred) and OUT.truth.json: the primitives in the CLI's
JSON schema (pixels, y down; pixel (i, j) has its centre at (i, j)), each with its stroke width.
A pixel is ink exactly when its centre lies within half the stroke width of a centre line; the
degradations then change pixels without touching the ground truth.
"""

import argparse
import json
import math
import os
import random
import struct
import sys
import zlib

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "score"))
import sketchgeom  # noqa: E402

SIZES = {"a4": (2480, 3508), "a3": (3508, 4961), "a0": (9933, 14043)}  # 300 dpi, portrait
FEATURES = ("bar", "arc", "circle", "ellipse", "T", "L", "X", "dashed", "slot")
# Features only drawings that name them get; the default mix stays FEATURES.
EXTRA_FEATURES = ("star", "centremark", "smallcircle", "hatch")
KNOWN_FEATURES = FEATURES + EXTRA_FEATURES
PIECE = 8.0  # px, longest chord of a rendering piece


# --------------------------------------------------------------------------------------------
# Layout: one feature per cell of a grid inside a frame


class Layout:
    def __init__(self, rng, widths):
        self.rng = rng
        self.widths = widths
        self.prims = []

    def width(self):
        return self.rng.randint(*self.widths)

    def line(self, p1, p2, w, feature, dashes=None):
        e = {"type": "line", "p1": [p1[0], p1[1]], "p2": [p2[0], p2[1]], "width": w,
             "feature": feature}
        if dashes:
            e["dashes"] = dashes
        self.prims.append(e)

    def arc(self, c, r, start, sweep, w, feature):
        """Runs from `start` by growing angles through `sweep` (radians, > 0; clockwise on screen)."""
        end = start + sweep
        pt = lambda t: [c[0] + r * math.cos(t), c[1] + r * math.sin(t)]  # noqa: E731
        self.prims.append({"type": "arc", "center": list(c), "radius": r,
                           "startAngle": math.fmod(start, 2 * math.pi),
                           "endAngle": math.fmod(end, 2 * math.pi), "sweep": sweep,
                           "p1": pt(start), "p2": pt(start + sweep / 2), "p3": pt(end),
                           "width": w, "feature": feature})

    def circle(self, c, r, w, feature):
        self.prims.append({"type": "circle", "center": list(c), "radius": r, "width": w,
                           "feature": feature})

    def ellipse(self, c, a, b, phi, w, feature):
        self.prims.append({"type": "ellipse", "center": list(c), "a": a, "b": b, "phi": phi,
                           "width": w, "feature": feature})


BAR_ANGLES = (0.0, 90.0, 0.0, 90.0, 0.3, 89.6, 179.2, 90.5, 45.0, 30.0, 60.0, 15.0, 1.5, 88.0)


def direction(deg):
    t = math.radians(deg)
    return math.cos(t), math.sin(t)


def feature(lay, kind, cx, cy, room, mixed=False):
    """One feature centred at (cx, cy) that keeps within `room` px of it (`room` already leaves
    space for the widest stroke). `mixed` gives the arms of an L widths of their own."""
    rng, w = lay.rng, lay.width()
    if kind in ("bar", "dashed"):
        ang = rng.choice(BAR_ANGLES) if rng.random() < 0.6 else rng.uniform(0.0, 180.0)
        dx, dy = direction(ang)
        half = room * rng.uniform(0.6, 1.0) / max(abs(dx), abs(dy))
        p1, p2 = (cx - half * dx, cy - half * dy), (cx + half * dx, cy + half * dy)
        if kind == "bar":
            lay.line(p1, p2, w, kind)
            return
        # Dashes and gaps in proportion to the width, as a drafter would draw them.
        dash, gap = rng.uniform(3 * w + 6, 4 * w + 20), rng.uniform(w + 4, 2 * w + 8)
        total = 2 * half
        dashes, s = [], 0.0
        while s < total:
            dashes.append([s / total, min(s + dash, total) / total])
            s += dash + gap
        lay.line(p1, p2, w, kind, dashes)
    elif kind == "arc":
        sweep = math.radians(rng.choice((10, 30, 60, 90, 120, 180, 240, 300, 350)))
        r = rng.uniform(max(2 * w + 4, 0.25 * room), room)
        lay.arc((cx, cy), r, rng.uniform(0, 2 * math.pi), sweep, w, kind)
    elif kind == "circle":
        lay.circle((cx, cy), rng.uniform(max(2 * w + 3, 0.08 * room), room), w, kind)
    elif kind == "ellipse":
        a = rng.uniform(0.5 * room, room)
        b = rng.uniform(max(0.25 * a, 2 * w + 4), 0.85 * a)
        lay.ellipse((cx, cy), a, b, rng.uniform(0.0, 180.0), w, kind)
    elif kind == "T":
        ang = rng.choice(BAR_ANGLES[:8]) if rng.random() < 0.5 else rng.uniform(0, 180)
        dx, dy = direction(ang)
        half = room * 0.9 / max(abs(dx), abs(dy))
        bar = ((cx - half * dx, cy - half * dy), (cx + half * dx, cy + half * dy))
        lay.line(*bar, w, kind)
        sx, sy = direction(ang + rng.choice((90.0, 90.0, 60.0, 120.0)))
        stem = room * 0.9 / max(abs(sx), abs(sy))
        lay.line((cx, cy), (cx + stem * sx, cy + stem * sy), lay.width(), kind)
    elif kind == "L":
        ang = rng.choice((0.0, 90.0, 180.0, 270.0)) if rng.random() < 0.5 else rng.uniform(0, 360)
        turn = rng.choice((90.0, 90.0, 45.0, 135.0, 60.0))
        corner = (cx, cy)
        for a in (ang, ang + turn):
            dx, dy = direction(a)
            arm = room * 0.9 / max(abs(dx), abs(dy))
            lay.line(corner, (cx + arm * dx, cy + arm * dy), w, kind)
            if mixed:
                w = lay.width()
    elif kind == "X":
        a = rng.uniform(0, 180)
        for ang in (a, a + rng.uniform(30, 150)):
            dx, dy = direction(ang)
            half = room * 0.9 / max(abs(dx), abs(dy))
            lay.line((cx - half * dx, cy - half * dy), (cx + half * dx, cy + half * dy),
                     lay.width(), kind)
    elif kind == "slot":
        # A rounded rectangle (lines meeting quarter arcs tangentially) around a hole.
        alpha = math.radians(rng.choice((0.0, 0.0, 30.0, rng.uniform(0, 90))))
        hx = rng.uniform(0.5, 0.7) * room
        hy = rng.uniform(0.35, 0.65) * room
        rf = rng.uniform(0.15, 0.9) * min(hx, hy)
        ca, sa = math.cos(alpha), math.sin(alpha)
        rot = lambda x, y: (cx + x * ca - y * sa, cy + x * sa + y * ca)  # noqa: E731
        for i, (qx, qy) in enumerate(((1, 1), (-1, 1), (-1, -1), (1, -1))):
            # Corner arc i spans angles [i pi/2, (i+1) pi/2] in the rotated frame.
            c = rot(qx * (hx - rf), qy * (hy - rf))
            lay.arc(c, rf, alpha + i * math.pi / 2, math.pi / 2, w, kind)
        lay.line(rot(hx, -(hy - rf)), rot(hx, hy - rf), w, kind)
        lay.line(rot(hx - rf, hy), rot(-(hx - rf), hy), w, kind)
        lay.line(rot(-hx, hy - rf), rot(-hx, -(hy - rf)), w, kind)
        lay.line(rot(-(hx - rf), -hy), rot(hx - rf, -hy), w, kind)
        hole = rng.uniform(0.2, 0.8) * (min(hx, hy) - w - 2)
        if hole > 2 * w + 3:
            lay.circle((cx, cy), hole, lay.width(), kind)
    elif kind == "star":
        # Three to five strokes through one point, the first one often axis-parallel.
        n = rng.choice((3, 3, 4, 5))
        a0 = rng.choice((0.0, 90.0)) if rng.random() < 0.5 else rng.uniform(0, 180)
        for k in range(n):
            ang = a0 + k * 180.0 / n + (rng.uniform(-8.0, 8.0) if k else 0.0)
            dx, dy = direction(ang)
            half = room * 0.9 / max(abs(dx), abs(dy))
            lay.line((cx - half * dx, cy - half * dy), (cx + half * dx, cy + half * dy),
                     w if k == 0 else lay.width(), kind)
    elif kind == "centremark":
        # A hole with the centre lines through it, running on past its edge.
        r = rng.uniform(max(2 * w + 4, 0.3 * room), 0.7 * room)
        lay.circle((cx, cy), r, w, kind)
        cw = lay.width()
        half = min(room, r + rng.uniform(3.0, 0.3 * r + 4.0))
        a = 0.0 if rng.random() < 0.8 else rng.uniform(0.0, 90.0)
        for ang in (a, a + 90.0):
            dx, dy = direction(ang)
            lay.line((cx - half * dx, cy - half * dy), (cx + half * dx, cy + half * dy), cw, kind)
    elif kind == "smallcircle":
        # Nine small thick rings: radius 8 to 9.5 px, 5 or 6 px wide.
        gap = min(40.0, 0.5 * room)
        for j in (-1, 0, 1):
            for i in (-1, 0, 1):
                lay.circle((cx + i * gap, cy + j * gap), rng.uniform(8.0, 9.5), rng.choice((5, 6)),
                           kind)
    elif kind == "hatch":
        # A rectangle hatched with thin strokes 2 px of paper apart, ending on its outline.
        hx, hy = rng.uniform(0.6, 0.9) * room, rng.uniform(0.4, 0.9) * room
        box = [(cx - hx, cy - hy), (cx + hx, cy - hy), (cx + hx, cy + hy), (cx - hx, cy + hy)]
        for i in range(4):
            lay.line(box[i], box[(i + 1) % 4], w, kind)
        hw = rng.choice((1, 1, 2))
        pitch = hw + 2.0
        dx, dy = direction(rng.choice((45.0, 135.0, 0.0, 90.0, 30.0, 60.0)))
        nx, ny = -dy, dx
        reach = math.hypot(hx, hy)
        k = -math.floor(reach / pitch)
        while k * pitch <= reach:
            ox, oy = cx + k * pitch * nx, cy + k * pitch * ny
            k += 1
            # The line o + t d clipped to the rectangle.
            lo, hi = -1e9, 1e9
            for o, d, c0, c1 in ((ox, dx, cx - hx, cx + hx), (oy, dy, cy - hy, cy + hy)):
                if abs(d) < 1e-12:
                    if not c0 < o < c1:
                        lo, hi = 1.0, 0.0
                    continue
                t0, t1 = sorted(((c0 - o) / d, (c1 - o) / d))
                lo, hi = max(lo, t0), min(hi, t1)
            if hi - lo < 6.0:  # corner slivers: too short to be a stroke
                continue
            lay.line((ox + lo * dx, oy + lo * dy), (ox + hi * dx, oy + hi * dy), hw, kind)
    else:
        raise ValueError("unknown feature %r" % kind)


def compose(width, height, seed, features=FEATURES, widths=(1, 8), cell=200, mixed=False):
    """The ground-truth primitives: a frame, and one feature per grid cell inside it."""
    rng = random.Random(seed)
    lay = Layout(rng, widths)
    m = 12.0
    corners = [(m, m), (width - 1 - m, m), (width - 1 - m, height - 1 - m), (m, height - 1 - m)]
    fw = max(1, min(widths[1], 4))
    for i in range(4):
        lay.line(corners[i], corners[(i + 1) % 4], fw, "frame")
    inner_w, inner_h = width - 2 * (m + 10), height - 2 * (m + 10)
    nx, ny = max(1, int(inner_w // cell)), max(1, int(inner_h // cell))
    cw, ch = inner_w / nx, inner_h / ny
    room = min(cw, ch) / 2 - widths[1] - 6
    for j in range(ny):
        for i in range(nx):
            cx = m + 10 + (i + 0.5) * cw
            cy = m + 10 + (j + 0.5) * ch
            feature(lay, rng.choice(features), cx, cy, room, mixed)
    for k, e in enumerate(lay.prims):
        e["id"] = k
    return lay.prims


BAR_GRID_ANGLES = tuple(range(0, 91, 5))


def compose_bar_grid(width, height, seed, widths=(1, 8), angles=BAR_GRID_ANGLES, repeats=3):
    """Isolated bars, `repeats` of every width and angle (degrees), each alone in a cell of a grid
    with a column per angle and `repeats` rows per width; every bar is set off its cell's centre
    by a fraction of a pixel, so the repeats ink different pixel patterns. Each bar records its
    "angle"."""
    rng = random.Random(seed)
    lay = Layout(rng, widths)
    ws = list(range(widths[0], widths[1] + 1))
    rows = len(ws) * repeats
    cell = min((width - 20) / len(angles), (height - 20) / rows)
    length = cell - widths[1] - 16
    for j in range(rows):
        w = ws[j // repeats]
        for i, ang in enumerate(angles):
            cx = 10 + (i + 0.5) * cell + rng.uniform(-0.5, 0.5)
            cy = 10 + (j + 0.5) * cell + rng.uniform(-0.5, 0.5)
            dx, dy = direction(ang)
            half = length / 2
            lay.line((cx - half * dx, cy - half * dy), (cx + half * dx, cy + half * dy), w, "bargrid")
            lay.prims[-1]["angle"] = ang
    for k, e in enumerate(lay.prims):
        e["id"] = k
    return lay.prims


# --------------------------------------------------------------------------------------------
# Rendering: every centre line cut into short pieces, each inked through a small stencil


def pieces(e, jitter, rng):
    """Rows (kind, ax, ay, bx, by, cx, cy, r, half): kind 0 is the chord a-b, kind 1 the part of
    the circle (c, r) from a to b by growing angle. Their union is the stroke."""
    h = e["width"] / 2.0
    rows = []
    if e["type"] == "line":
        p1, p2 = np.array(e["p1"]), np.array(e["p2"])
        length = float(np.linalg.norm(p2 - p1))
        spans = e.get("dashes") or [[0.0, 1.0]]
        for u0, u1 in spans:
            n = max(1, int(math.ceil((u1 - u0) * length / PIECE)))
            u = np.linspace(u0, u1, n + 1)
            a, b = p1 + np.outer(u[:-1], p2 - p1), p1 + np.outer(u[1:], p2 - p1)
            rows.append(np.column_stack((np.zeros(n), a, b, np.zeros((n, 3)))))
    elif e["type"] in ("arc", "circle"):
        c, r = e["center"], e["radius"]
        start, sweep = (e["startAngle"], e["sweep"]) if e["type"] == "arc" else (0.0, 2 * math.pi)
        n = max(2, int(math.ceil(sweep / min(0.5, PIECE / r))))
        t = start + sweep * np.linspace(0.0, 1.0, n + 1)
        pts = np.column_stack((c[0] + r * np.cos(t), c[1] + r * np.sin(t)))
        rows.append(np.column_stack((np.ones(n), pts[:-1], pts[1:], np.tile([c[0], c[1], r], (n, 1)))))
    elif e["type"] == "ellipse":
        pts = sketchgeom.ellipse_polyline(e["center"][0], e["center"][1], e["a"], e["b"], e["phi"])
        n = len(pts) - 1
        rows.append(np.column_stack((np.zeros(n), pts[:-1], pts[1:], np.zeros((n, 3)))))
    rows = np.vstack(rows)
    half = np.full(len(rows), h)
    if jitter > 0:
        # A smooth swell and thinning along the stroke, never thinner than one pixel.
        s = np.cumsum(np.hypot(rows[:, 3] - rows[:, 1], rows[:, 4] - rows[:, 2]))
        f1, f2 = rng.uniform(0.01, 0.05), rng.uniform(0.05, 0.2)
        p1, p2 = rng.uniform(0, 2 * math.pi), rng.uniform(0, 2 * math.pi)
        wave = 0.7 * np.sin(f1 * s + p1) + 0.3 * np.sin(f2 * s + p2)
        half = np.maximum(0.5, h * (1.0 + jitter * wave))
    return np.column_stack((rows, half))


def render(width, height, prims, jitter=0.0, seed=0, chunk=6000):
    """Ink mask (True = ink), row-major, height x width."""
    rng = random.Random(seed ^ 0x5EED)
    ink = np.zeros((height, width), dtype=bool)
    rows = np.vstack([pieces(e, jitter, rng) for e in prims])
    kind, ax, ay, bx, by, cx, cy, r, h = rows.T
    bulge = np.where(kind == 1, r * (1 - np.cos(np.minimum(0.5, PIECE / np.maximum(r, 1e-9)) / 2)), 0)
    reach = h + bulge + 1.0
    x0 = np.floor(np.minimum(ax, bx) - reach).astype(np.int64)
    y0 = np.floor(np.minimum(ay, by) - reach).astype(np.int64)
    size = np.ceil(np.maximum(np.abs(bx - ax), np.abs(by - ay)) + 2 * reach).astype(np.int64) + 1
    order = np.argsort(size, kind="stable")
    for s0 in range(0, len(order), chunk):
        idx = order[s0:s0 + chunk]
        S = int(size[idx].max())
        g = np.arange(S)
        X = x0[idx, None, None] + g[None, None, :]
        Y = y0[idx, None, None] + g[None, :, None]
        px, py = X.astype(float), Y.astype(float)
        A = lambda v: v[idx, None, None]  # noqa: E731
        dx, dy = A(bx) - A(ax), A(by) - A(ay)
        len2 = np.maximum(dx * dx + dy * dy, 1e-18)
        t = np.clip(((px - A(ax)) * dx + (py - A(ay)) * dy) / len2, 0.0, 1.0)
        d_seg = np.hypot(px - A(ax) - t * dx, py - A(ay) - t * dy)
        # The arc piece: radial distance inside its wedge, else the nearer end.
        ux, uy = px - A(cx), py - A(cy)
        inside = ((A(ax) - A(cx)) * uy - (A(ay) - A(cy)) * ux >= 0) & \
                 (ux * (A(by) - A(cy)) - uy * (A(bx) - A(cx)) >= 0)
        ends = np.minimum(np.hypot(px - A(ax), py - A(ay)), np.hypot(px - A(bx), py - A(by)))
        d_arc = np.where(inside, np.abs(np.hypot(ux, uy) - A(r)), ends)
        d = np.where(A(kind) == 1, d_arc, d_seg)
        hit = (d <= A(h) + 1e-9) & (X >= 0) & (X < width) & (Y >= 0) & (Y < height)
        X, Y = np.broadcast_arrays(X, Y)
        ink[Y[hit], X[hit]] = True
    return ink


# --------------------------------------------------------------------------------------------
# Degradations


def cut_gaps(ink, prims, count, seed):
    """Erases `count` short gaps (1 to 3 px along the stroke) across random strokes, away from
    their ends; returns them for the record."""
    rng = random.Random(seed ^ 0x6A95)
    gaps = []
    candidates = [e for e in prims if not e.get("dashes")]
    for _ in range(count if candidates else 0):
        e = rng.choice(candidates)
        poly = sketchgeom.entity_from_json(e).poly
        pts, _ = sketchgeom.resample(poly, 1.0)
        if len(pts) < 40:
            continue
        k = rng.randint(15, len(pts) - 16)
        q = pts[k]
        t = pts[k + 1] - pts[k - 1]
        t = t / np.linalg.norm(t)
        length = rng.uniform(1.0, 3.0)
        half = e["width"] / 2.0 + 1.5
        R = int(math.ceil(half + length)) + 1
        ys, xs = np.mgrid[int(q[1]) - R:int(q[1]) + R + 1, int(q[0]) - R:int(q[0]) + R + 1]
        along = (xs - q[0]) * t[0] + (ys - q[1]) * t[1]
        across = -(xs - q[0]) * t[1] + (ys - q[1]) * t[0]
        cut = (np.abs(along) <= length / 2) & (np.abs(across) <= half)
        cut &= (xs >= 0) & (xs < ink.shape[1]) & (ys >= 0) & (ys < ink.shape[0])
        ink[ys[cut], xs[cut]] = False
        gaps.append({"id": e["id"], "at": [float(q[0]), float(q[1])], "length": length})
    return gaps


def salt_and_pepper(ink, fraction, seed):
    """Flips `fraction` of all pixels, chosen uniformly: specks on paper, holes in strokes."""
    rng = np.random.default_rng(seed ^ 0x5A17)
    n = int(round(fraction * ink.size))
    flat = ink.reshape(-1)
    idx = rng.integers(0, ink.size, n)
    flat[idx] = ~flat[idx]


def blur(ink):
    """Grey levels (0 ink, 255 paper) after a separable [1 2 1] / 4 smoothing in each direction."""
    g = np.where(ink, 0, 255).astype(np.uint16)
    for axis in (0, 1):
        p = np.pad(g, [(1, 1) if a == axis else (0, 0) for a in (0, 1)], mode="edge")
        sl = lambda a, b: tuple(slice(a, p.shape[i] - b if b else None) if i == axis  # noqa: E731
                                else slice(None) for i in (0, 1))
        g = (p[sl(0, 2)] + 2 * p[sl(1, 1)] + p[sl(2, 0)] + 2) // 4
    return g.astype(np.uint8)


# --------------------------------------------------------------------------------------------
# Files


def _chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)


def png_bytes(image, dpi=None):
    """A PNG of a bool ink mask (1-bit grey) or of uint8 grey levels (8-bit grey)."""
    h, w = image.shape
    if image.dtype == bool:
        rows = np.packbits(~image, axis=1)  # 1 = white in grey PNG
        depth = 1
    else:
        rows = image
        depth = 8
    raw = np.hstack((np.zeros((h, 1), dtype=np.uint8), rows)).tobytes()  # filter byte 0 per row
    out = b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, 0, 0, 0, 0))
    if dpi:
        ppm = int(round(dpi / 0.0254))
        out += _chunk(b"pHYs", struct.pack(">IIB", ppm, ppm, 1))
    out += _chunk(b"IDAT", zlib.compress(raw, 3)) + _chunk(b"IEND", b"")
    return out


def pbm_bytes(ink):
    h, w = ink.shape
    return b"P4\n%d %d\n" % (w, h) + np.packbits(ink, axis=1).tobytes()  # 1 = black in PBM


def generate(out_png, width, height, seed=1, features=FEATURES, widths=(1, 8), noise=0.0,
             blurred=False, jitter=0.0, gaps=0, dpi=300.0, cell=200, pbm=None, layout="cells",
             mixed=False):
    """Writes the drawing, its ground truth beside it and, when asked, a PBM of the same ink
    (thresholded at half grey when blurred). Returns the truth document. `layout` "bargrid" draws
    the isolated bars of compose_bar_grid instead of a feature per cell."""
    if layout == "bargrid":
        prims = compose_bar_grid(width, height, seed, widths)
    else:
        prims = compose(width, height, seed, features, widths, cell, mixed)
    ink = render(width, height, prims, jitter, seed)
    gap_list = cut_gaps(ink, prims, gaps, seed) if gaps else []
    if noise > 0:
        salt_and_pepper(ink, noise, seed)
    image = blur(ink) if blurred else ink
    with open(out_png, "wb") as f:
        f.write(png_bytes(image, dpi))
    if pbm:
        with open(pbm, "wb") as f:
            f.write(pbm_bytes(image < 128 if blurred else ink))
    ppm = int(round(dpi / 0.0254)) if dpi else 0
    counts = {}
    for e in prims:
        counts[e["type"]] = counts.get(e["type"], 0) + 1
    doc = {"format": "vemora-sketch", "version": 1, "image": {"width": width, "height": height},
           "units": "px", "scale": 1.0,
           "generator": {"seed": seed, "features": list(features), "widths": list(widths),
                         "noise": noise, "blur": blurred, "jitter": jitter, "gaps": gap_list,
                         "cell": cell, "dpi": ppm * 0.0254 if ppm else None, "layout": layout},
           "counts": counts, "entities": prims}
    with open(truth_path(out_png), "w") as f:
        json.dump(doc, f, indent=0)
    return doc


def truth_path(png):
    return os.path.splitext(png)[0] + ".truth.json"


def parse_size(text):
    if text.lower() in SIZES:
        return SIZES[text.lower()]
    w, h = text.lower().split("x")
    return int(w), int(h)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("out", help="PNG to write; the truth goes to OUT.truth.json")
    ap.add_argument("--size", default="1000x800", help="WxH or a4/a3/a0 (300 dpi)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--features", default=",".join(FEATURES))
    ap.add_argument("--widths", default="1-8", help="stroke widths MIN-MAX, px")
    ap.add_argument("--noise", type=float, default=0.0, help="share of pixels flipped")
    ap.add_argument("--blur", action="store_true", help="slight blur, 8-bit grey output")
    ap.add_argument("--jitter", type=float, default=0.0, help="relative width jitter, e.g. 0.3")
    ap.add_argument("--gaps", type=int, default=0, help="number of small gaps cut into strokes")
    ap.add_argument("--cell", type=int, default=200, help="grid cell per feature, px")
    ap.add_argument("--dpi", type=float, default=300.0, help="resolution written to the PNG")
    ap.add_argument("--pbm", help="also write the ink as PBM (for potrace)")
    ap.add_argument("--layout", default="cells", choices=("cells", "bargrid"),
                    help="a feature per cell, or the grid of isolated bars")
    ap.add_argument("--mixed", action="store_true", help="the arms of an L of widths of their own")
    args = ap.parse_args(argv)
    w0, w1 = (int(v) for v in args.widths.split("-"))
    features = tuple(args.features.split(","))
    for f in features:
        if f not in KNOWN_FEATURES:
            ap.error("unknown feature %r (known: %s)" % (f, ",".join(KNOWN_FEATURES)))
    width, height = parse_size(args.size)
    doc = generate(args.out, width, height, args.seed, features, (w0, w1), args.noise, args.blur,
                   args.jitter, args.gaps, args.dpi, args.cell, args.pbm, args.layout, args.mixed)
    print("%s: %d x %d, %d primitives" % (args.out, width, height, len(doc["entities"])))
    return 0


if __name__ == "__main__":
    sys.exit(main())
