#!/usr/bin/python3
"""How well a traced sketch covers the ink of a real scan, where no ground truth exists.

Two figures, both from the image itself:
- coverage: the share of the ink's skeleton (one-pixel centre lines of the ink, by Zhang and Suen's
  thinning) that lies within `--reach` pixels (3) of a vector;
- on ink: the share of the vectors' length that lies on ink (within `--slack` pixels, 1, of an ink
  pixel), sampled every half pixel.

Ink is a channel mean below `--level`; without it the level is Otsu's for the image, computed here
on its own so that the measure does not lean on the code it measures. The image is read through
`scan_pixels` (built beside the benchmarks), which gives the pixels exactly as the command line
reads them.

    bench/scans/skeleton.py scan.jpg traced.json [--level 160] [--pixels build/bench/scan_pixels]
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "score"))
import sketchgeom  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_PIXELS = os.path.join(HERE, "..", "..", "build", "bench", "scan_pixels")
SAMPLE_STEP = 0.5  # px along the vectors


def read_sums(path):
    """A 16-bit PGM of channel sums (maximum 765) as an int32 array, rows first."""
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos : pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P5":
        raise ValueError("%s: not a binary PGM" % path)
    w, h, maxval = int(fields[1]), int(fields[2]), int(fields[3])
    dtype = ">u2" if maxval > 255 else "u1"
    return np.frombuffer(data, dtype=dtype, count=w * h, offset=pos).reshape(h, w).astype(np.int32)


def image_sums(image, pixels_tool):
    """The channel sums of any image the command line reads (a .pgm is taken as it is)."""
    if image.endswith(".pgm"):
        return read_sums(image)
    with tempfile.TemporaryDirectory() as tmp:
        pgm = os.path.join(tmp, "sums.pgm")
        subprocess.run([pixels_tool, image, pgm], check=True)
        return read_sums(pgm)


def otsu_sum_limit(sums):
    """Otsu's split of the channel sums: ink is every sum below the returned limit."""
    counts = np.bincount(sums.ravel(), minlength=766).astype(float)
    levels = np.arange(counts.size, dtype=float)
    below = np.cumsum(counts)[:-1]
    below_weighted = np.cumsum(counts * levels)[:-1]
    total, weighted = counts.sum(), (counts * levels).sum()
    above = total - below
    with np.errstate(divide="ignore", invalid="ignore"):
        m0 = below_weighted / below
        m1 = (weighted - below_weighted) / above
        score = np.where((below > 0) & (above > 0), below * above * (m1 - m0) ** 2, -1.0)
    # Every limit within a run of empty levels splits alike: the middle of the first best run.
    best = np.flatnonzero(score == score.max())
    run_end = best[0]
    while run_end + 1 < len(score) and score[run_end + 1] == score[best[0]]:
        run_end += 1
    return int((best[0] + run_end + 1) // 2) + 1


def thin(ink):
    """Zhang and Suen's thinning of a boolean image down to one-pixel centre lines."""
    rows = np.flatnonzero(ink.any(axis=1))
    cols = np.flatnonzero(ink.any(axis=0))
    skeleton = np.zeros_like(ink, dtype=bool)
    if rows.size == 0:
        return skeleton
    r0, r1, c0, c1 = rows[0], rows[-1] + 1, cols[0], cols[-1] + 1
    img = np.pad(ink[r0:r1, c0:c1], 1).astype(np.uint8)
    while True:
        changed = False
        for second in (False, True):
            p = img
            # Neighbours P2..P9, clockwise from north.
            n = [p[:-2, 1:-1], p[:-2, 2:], p[1:-1, 2:], p[2:, 2:],
                 p[2:, 1:-1], p[2:, :-2], p[1:-1, :-2], p[:-2, :-2]]
            count = sum(x.astype(np.int8) for x in n)
            turns = sum(((n[i] == 0) & (n[(i + 1) % 8] == 1)).astype(np.int8) for i in range(8))
            p2, p4, p6, p8 = n[0], n[2], n[4], n[6]
            if not second:
                side = (p2 * p4 * p6 == 0) & (p4 * p6 * p8 == 0)
            else:
                side = (p2 * p4 * p8 == 0) & (p2 * p6 * p8 == 0)
            gone = (p[1:-1, 1:-1] == 1) & (count >= 2) & (count <= 6) & (turns == 1) & side
            if gone.any():
                img[1:-1, 1:-1][gone] = 0
                changed = True
        if not changed:
            break
    skeleton[r0:r1, c0:c1] = img[1:-1, 1:-1].astype(bool)
    return skeleton


def dilate(mask, radius):
    """Every pixel within `radius` (Euclidean, pixel centres) of a set pixel."""
    out = mask.copy()
    r = int(np.floor(radius))
    h, w = mask.shape
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if (dx or dy) and dx * dx + dy * dy <= radius * radius:
                ys, yd = (slice(0, h - dy), slice(dy, h)) if dy >= 0 else (slice(-dy, h), slice(0, h + dy))
                xs, xd = (slice(0, w - dx), slice(dx, w)) if dx >= 0 else (slice(-dx, w), slice(0, w + dx))
                out[yd, xd] |= mask[ys, xs]
    return out


def vector_samples(sketch_path):
    """Points about every half pixel along every entity's centre line, as an (n, 2) array of x, y,
    and the length each stands for."""
    points, weights = [], []
    for e in sketchgeom.read_json(sketch_path)[0]:
        if e.poly.shape[0] == 0 or not np.isfinite(e.poly).all():
            continue
        pts = sketchgeom.resample(e.poly, SAMPLE_STEP)[0] if e.poly.shape[0] > 1 else e.poly
        points.append(pts)
        weights.append(np.full(len(pts), sketchgeom.polyline_length(e.poly) / len(pts)))
    if not points:
        return np.zeros((0, 2)), np.zeros(0)
    return np.concatenate(points), np.concatenate(weights)


def measure(sums, samples, weights, level=None, reach=3.0, slack=1.0):
    limit = otsu_sum_limit(sums) if level is None else int(np.ceil(3 * level))
    ink = sums < limit
    skeleton = thin(ink)
    h, w = ink.shape
    xy = np.rint(samples).astype(np.int64)
    inside = (xy[:, 0] >= 0) & (xy[:, 0] < w) & (xy[:, 1] >= 0) & (xy[:, 1] < h)
    drawn = np.zeros_like(ink)
    drawn[xy[inside, 1], xy[inside, 0]] = True
    near_vectors = dilate(drawn, reach)
    near_ink = dilate(ink, slack) if slack > 0 else ink
    on_ink = np.zeros(len(xy), dtype=bool)
    on_ink[inside] = near_ink[xy[inside, 1], xy[inside, 0]]
    skeleton_pixels = int(skeleton.sum())
    return {
        "level": limit / 3.0,
        "ink_share": float(ink.mean()),
        "skeleton_pixels": skeleton_pixels,
        "coverage": float((skeleton & near_vectors).sum() / skeleton_pixels) if skeleton_pixels else 0.0,
        "vector_length": float(weights.sum()),
        "on_ink": float(weights[on_ink].sum() / weights.sum()) if weights.sum() > 0 else 0.0,
    }


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("image")
    ap.add_argument("sketch", help="the traced sketch, the command line's JSON")
    ap.add_argument("--level", type=float, help="grey level of ink (default: Otsu's)")
    ap.add_argument("--reach", type=float, default=3.0, help="px from a vector that counts as covered")
    ap.add_argument("--slack", type=float, default=1.0, help="px from ink that counts as on ink")
    ap.add_argument("--pixels", default=DEFAULT_PIXELS, help="the scan_pixels program")
    ap.add_argument("--json", action="store_true", help="print the figures as JSON")
    args = ap.parse_args(argv)
    samples, weights = vector_samples(args.sketch)
    res = measure(image_sums(args.image, args.pixels), samples, weights, args.level, args.reach,
                  args.slack)
    if args.json:
        print(json.dumps(res, indent=1))
    else:
        print("ink level %.1f, ink %.2f %% of the image, skeleton %d px"
              % (res["level"], 100 * res["ink_share"], res["skeleton_pixels"]))
        print("skeleton covered within %g px: %.1f %%" % (args.reach, 100 * res["coverage"]))
        print("vectors %.0f px long, on ink (within %g px): %.1f %%"
              % (res["vector_length"], args.slack, 100 * res["on_ink"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
