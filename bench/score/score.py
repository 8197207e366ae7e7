#!/usr/bin/python3
"""Scores detected vectors against a drawing's ground truth by the Vector Recovery Index of Liu
and Dori, computed on samples. bench/README.md says exactly what each figure means.

    score.py TRUTH.json DETECTED.{json,dxf} [--json OUT.json] [--margin PX] [--step PX]
"""

import argparse
import json
import math
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sketchgeom  # noqa: E402

# A sample matches a centre line within WIDTH_FACTOR times the stroke width plus MARGIN: a centre
# line recovered anywhere in the middle half of the stroke, give or take a pixel. The stroke's
# edges (half a width out) stay outside from 4 px widths on, so traced outlines do not pass.
WIDTH_FACTOR = 0.25
MARGIN = 1.0  # px
STEP = 1.0  # px between samples
ARC_KINDS = ("arc", "circle")
ELLIPSE_KINDS = ("ellipse", "ellipseArc")
# Which detected kinds count as recovering a true primitive "as its own kind".
SAME_KIND = {"line": ("line",), "dashed": ("line",), "arc": ARC_KINDS, "circle": ARC_KINDS,
             "ellipse": ELLIPSE_KINDS, "ellipseArc": ELLIPSE_KINDS}


class Samples:
    """Evenly spaced samples of a set of entities, and the chords between neighbours."""

    def __init__(self, entities, step, ink_only):
        pts, owner, weight, a, b, seg_owner = [], [], [], [], [], []
        for i, e in enumerate(entities):
            length = sketchgeom.polyline_length(e.poly)
            if length == 0.0:
                p, u = e.poly[:1], np.zeros(1)
                w = np.full(1, step)  # a point stands for one step of length
            else:
                p, u = sketchgeom.resample(e.poly, step)
                w = np.full(len(p), length / len(p))
                a.append(p[:-1])
                b.append(p[1:])
                seg_owner.append(np.full(len(p) - 1, i))
            if ink_only and e.ink is not None:
                keep = np.zeros(len(p), dtype=bool)
                for u0, u1 in e.ink:
                    keep |= (u >= u0 - 1e-9) & (u <= u1 + 1e-9)
                p, w = p[keep], w[keep]
            pts.append(p)
            weight.append(w)
            owner.append(np.full(len(p), i))
        self.points = np.vstack(pts) if pts else np.zeros((0, 2))
        self.owner = np.concatenate(owner) if owner else np.zeros(0, dtype=int)
        self.weight = np.concatenate(weight) if weight else np.zeros(0)
        if not a:  # only points: each is a chord of zero length
            a, b = [self.points], [self.points]
            seg_owner = [self.owner]
        self.seg_a = np.vstack(a)
        self.seg_b = np.vstack(b)
        self.seg_owner = np.concatenate(seg_owner)


def _short_chords(a, b, box_lo, box_hi, longest):
    """The parts of chords a-b inside the box, cut into pieces no longer than `longest`, with the
    index of the chord each piece comes from (Liang-Barsky clipping)."""
    d = b - a
    t0, t1 = np.zeros(len(a)), np.ones(len(a))
    for k in (0, 1):
        with np.errstate(divide="ignore", invalid="ignore"):
            ta = (box_lo[k] - a[:, k]) / d[:, k]
            tb = (box_hi[k] - a[:, k]) / d[:, k]
        flat = d[:, k] == 0
        outside = flat & ((a[:, k] < box_lo[k]) | (a[:, k] > box_hi[k]))
        t0 = np.where(flat, t0, np.maximum(t0, np.minimum(ta, tb)))
        t1 = np.where(flat, t1, np.minimum(t1, np.maximum(ta, tb)))
        t1 = np.where(outside, -1.0, t1)
    keep = np.flatnonzero(t0 <= t1)
    a, d, t0, t1 = a[keep], d[keep], t0[keep], t1[keep]
    lengths = (t1 - t0) * np.hypot(d[:, 0], d[:, 1])
    pieces = np.maximum(1, np.ceil(lengths / longest)).astype(np.int64)
    if np.all(pieces == 1):
        return a + t0[:, None] * d, a + t1[:, None] * d, keep
    rep = np.repeat(np.arange(len(a)), pieces)
    k = np.arange(len(rep)) - np.repeat(np.cumsum(pieces) - pieces, pieces)
    u0 = t0[rep] + (t1 - t0)[rep] * k / pieces[rep]
    u1 = t0[rep] + (t1 - t0)[rep] * (k + 1) / pieces[rep]
    return a[rep] + u0[:, None] * d[rep], a[rep] + u1[:, None] * d[rep], keep[rep]


def nearest(points, seg_a, seg_b, seg_slack, reach, max_pairs=4_000_000):
    """For every point the least `distance to a chord - seg_slack[chord]` over the chords within
    `reach`, and that chord's index; (inf, -1) when no chord is that close.

    A uniform grid of cells 2 `reach` wide holds each chord (cut to at most a cell's length and
    clipped to where the points are) in every cell that its box, grown by `reach`, touches; a
    point then looks in its own cell only.
    """
    n = len(points)
    best = np.full(n, np.inf)
    arg = np.full(n, -1)
    if n == 0 or len(seg_a) == 0:
        return best, arg
    cell = max(2.0 * reach, 1.0)
    seg_a, seg_b, seg_id = _short_chords(seg_a, seg_b, points.min(axis=0) - reach,
                                         points.max(axis=0) + reach, cell)
    if len(seg_a) == 0:
        return best, arg
    lo = np.minimum(seg_a, seg_b)
    hi = np.maximum(seg_a, seg_b)
    origin = np.minimum(lo.min(axis=0), points.min(axis=0)) - 2.0 * cell
    c0 = np.floor((lo - reach - origin) / cell).astype(np.int64)
    c1 = np.floor((hi + reach - origin) / cell).astype(np.int64)
    stride = int(np.floor((max(hi.max(axis=0)[1], points.max(axis=0)[1]) + reach - origin[1])
                          / cell)) + 3
    keys, ids = [], []
    span = int(np.max(c1 - c0)) + 1
    for dx in range(span):
        for dy in range(span):
            ok = (c0[:, 0] + dx <= c1[:, 0]) & (c0[:, 1] + dy <= c1[:, 1])
            keys.append((c0[ok, 0] + dx) * stride + c0[ok, 1] + dy)
            ids.append(np.flatnonzero(ok))
    keys = np.concatenate(keys)
    ids = np.concatenate(ids)
    order = np.argsort(keys, kind="stable")
    keys, ids = keys[order], ids[order]
    pc = np.floor((points - origin) / cell).astype(np.int64)
    pkeys = pc[:, 0] * stride + pc[:, 1]
    first = np.searchsorted(keys, pkeys, side="left")
    count = np.searchsorted(keys, pkeys, side="right") - first
    ends = np.cumsum(count)
    start = 0
    while start < n:
        base = ends[start - 1] if start else 0
        stop = max(start + 1, int(np.searchsorted(ends, base + max_pairs, side="right")))
        stop = min(stop, n)
        cnt = count[start:stop]
        total = int(cnt.sum())
        if total:
            rep = np.repeat(np.arange(start, stop), cnt)
            offs = np.arange(total) - np.repeat(np.cumsum(cnt) - cnt, cnt)
            s = ids[np.repeat(first[start:stop], cnt) + offs]
            p = points[rep]
            a, d = seg_a[s], seg_b[s] - seg_a[s]
            len2 = np.einsum("ij,ij->i", d, d)
            t = np.where(len2 > 0, np.einsum("ij,ij->i", p - a, d) / np.where(len2 > 0, len2, 1), 0)
            t = np.clip(t, 0.0, 1.0)
            e = np.hypot(*(p - a - t[:, None] * d).T) - seg_slack[seg_id[s]]
            has = cnt > 0
            group = np.concatenate(([0], np.cumsum(cnt)[:-1]))[has]
            low = np.minimum.reduceat(e, group)
            best[start:stop][has] = low
            # The first pair of each point that reaches its minimum names the chord.
            hit = np.flatnonzero(e == np.repeat(low, cnt[has]))
            r = rep[hit]
            firsts = hit[np.concatenate(([True], r[1:] != r[:-1]))]
            arg[rep[firsts]] = seg_id[s[firsts]]
        start = stop
    return best, arg


def truth_kind(e):
    return "dashed" if e.kind == "line" and e.ink is not None else e.kind


def tolerance(width, margin, factor=WIDTH_FACTOR):
    return factor * max(width, 1.0) + margin


def score(truth, detected, margin=MARGIN, step=STEP, factor=WIDTH_FACTOR):
    """The figures of bench/README.md for lists of sketchgeom.Entity."""
    tol = np.array([tolerance(e.width, margin, factor) for e in truth])
    reach = float(tol.max()) if len(tol) else margin
    ts = Samples(truth, step, ink_only=True)
    ds = Samples(detected, step, ink_only=False) if detected else None
    tkinds = [truth_kind(e) for e in truth]
    dkinds = [e.kind for e in detected]

    # Detection: a true sample is found when some detected chord passes within its tolerance.
    found = np.zeros(len(ts.points), dtype=bool)
    as_kind = np.zeros(len(ts.points), dtype=bool)
    if ds is not None:
        zero = np.zeros(len(ds.seg_a))
        gap, _ = nearest(ts.points, ds.seg_a, ds.seg_b, zero, reach)
        found = gap <= tol[ts.owner]
        # Recovered as its own kind: a chord of a matching kind is within tolerance as well.
        seg_kind = np.array(dkinds, dtype=object)[ds.seg_owner]
        for tk in set(tkinds):
            wanted = SAME_KIND.get(tk)
            mine = np.array([k == tk for k in tkinds])[ts.owner]
            if wanted is None or not mine.any():
                continue
            sel = np.isin(seg_kind, wanted)
            if sel.any():
                g, _ = nearest(ts.points[mine], ds.seg_a[sel], ds.seg_b[sel], zero[sel], reach)
                as_kind[mine] = g <= tol[ts.owner[mine]]

    # False alarms: a detected sample is false when no true centre line (gaps of dashed lines
    # included) passes within that line's tolerance.
    if ds is not None and len(truth):
        full = Samples([sketchgeom.Entity(e.kind, e.poly, e.width) for e in truth], step, False)
        excess, seg = nearest(ds.points, full.seg_a, full.seg_b, tol[full.seg_owner], 0.0 + reach)
        matched = excess <= 0.0
        match_owner = np.where(matched, full.seg_owner[np.maximum(seg, 0)], -1)
    else:
        matched = np.zeros(len(ds.points) if ds else 0, dtype=bool)
        match_owner = np.full(len(matched), -1)

    res = {"tolerance": {"widthFactor": factor, "margin": margin, "step": step}, "truth": {},
           "detected": {}}

    def rates(mask_t, mask_d):
        wt = ts.weight[mask_t]
        det = float(np.sum(wt * found[mask_t]) / wt.sum()) if wt.sum() > 0 else None
        own = float(np.sum(wt * as_kind[mask_t]) / wt.sum()) if wt.sum() > 0 else None
        if ds is not None and mask_d is not None and ds.weight[mask_d].sum() > 0:
            wd = ds.weight[mask_d]
            fa = float(np.sum(wd * ~matched[mask_d]) / wd.sum())
        else:
            fa = None
        return det, fa, own

    # Fragmentation: every detected entity with at least half its length on true lines goes to
    # the true primitive that most of its matched samples lie on.
    assigned = np.full(len(truth), 0)
    if ds is not None and len(truth):
        n = len(detected)
        total = np.bincount(ds.owner, ds.weight, minlength=n)
        on_truth = np.bincount(ds.owner, ds.weight * matched, minlength=n)
        pair = ds.owner[matched] * len(truth) + match_owner[matched]
        keys, inverse = np.unique(pair, return_inverse=True)
        votes = np.bincount(inverse, ds.weight[matched])
        ent, tru = keys // len(truth), keys % len(truth)
        # Per entity the pair with the most votes: sort by entity, then by votes downward.
        order = np.lexsort((-votes, ent))
        ent, tru = ent[order], tru[order]
        lead = np.concatenate(([True], ent[1:] != ent[:-1])) if len(ent) else np.zeros(0, bool)
        ent, tru = ent[lead], tru[lead]
        keep = (total[ent] > 0) & (on_truth[ent] >= 0.5 * total[ent])
        assigned = np.bincount(tru[keep], minlength=len(truth))

    def fragmentation(members):
        hit = assigned[members]
        hit = hit[hit > 0]
        return (float(hit.mean()) if len(hit) else None), int(np.sum(assigned[members] == 0))

    tk_arr = np.array(tkinds, dtype=object)
    for k in sorted(set(tkinds)):
        members = np.flatnonzero(tk_arr == k)
        det, _, own = rates(np.isin(ts.owner, members), None)
        frag, unmatched = fragmentation(members)
        res["truth"][k] = {"count": int(len(members)), "length": float(ts.weight[
            np.isin(ts.owner, members)].sum()), "detection": det, "asOwnKind": own,
            "fragmentation": frag, "unassigned": unmatched}
    dk_arr = np.array(dkinds, dtype=object)
    for k in sorted(set(dkinds)):
        members = np.flatnonzero(dk_arr == k)
        _, fa, _ = rates(np.zeros(len(ts.points), dtype=bool), np.isin(ds.owner, members))
        res["detected"][k] = {"count": int(len(members)),
                              "length": float(ds.weight[np.isin(ds.owner, members)].sum()),
                              "falseAlarm": fa}

    det, fa, _ = rates(np.ones(len(ts.points), dtype=bool),
                       np.ones(len(ds.points), dtype=bool) if ds is not None else None)
    det = det if det is not None else 0.0
    fa = fa if fa is not None else 0.0  # nothing detected raises no false alarm
    arcs = np.isin(ts.owner, np.flatnonzero(np.isin(tk_arr, ARC_KINDS))) if len(truth) else []
    arc_share = (float(np.sum(ts.weight[arcs] * as_kind[arcs]) / ts.weight[arcs].sum())
                 if len(truth) and ts.weight[arcs].sum() > 0 else None)
    frag, unmatched = fragmentation(np.arange(len(truth)))
    res.update({"detection": det, "falseAlarm": fa, "vri": (det + 1.0 - fa) / 2.0,
                "fragmentation": frag, "unassigned": unmatched, "arcsAsArcs": arc_share,
                "truthCount": len(truth), "detectedCount": len(detected)})
    return res


def entity_detection(truth, detected, margin=MARGIN, step=STEP, factor=WIDTH_FACTOR):
    """Per true primitive, the share of its ink-carrying length that some detected chord passes
    within its tolerance (the detection of score(), primitive by primitive)."""
    ts = Samples(truth, step, ink_only=True)
    tol = np.array([tolerance(e.width, margin, factor) for e in truth])
    found = np.zeros(len(ts.points), dtype=bool)
    if detected and len(ts.points):
        ds = Samples(detected, step, ink_only=False)
        gap, _ = nearest(ts.points, ds.seg_a, ds.seg_b, np.zeros(len(ds.seg_a)), float(tol.max()))
        found = gap <= tol[ts.owner]
    total = np.bincount(ts.owner, ts.weight, minlength=len(truth))
    hit = np.bincount(ts.owner, ts.weight * found, minlength=len(truth))
    return np.divide(hit, total, out=np.zeros(len(truth)), where=total > 0)


def load(truth_path, detected_path, shift=(0.0, 0.0), dxf_scale=None):
    """Ground truth and detected entities; a DXF is brought back with the truth's image height
    and resolution. `shift` moves the detected geometry (e.g. for pixel-corner coordinates)."""
    truth, doc = sketchgeom.read_json(truth_path)
    height = doc["image"]["height"]
    dpi = doc.get("generator", {}).get("dpi")
    detected = sketchgeom.read_sketch(detected_path, height, dpi, dxf_scale)
    if shift != (0.0, 0.0):
        for e in detected:
            e.poly = e.poly + np.asarray(shift)
    return truth, detected


def fmt(v, pattern="%.3f"):
    return "-" if v is None else pattern % v


def text_report(res):
    lines = ["VRI %.3f  detection %.3f  false alarm %.3f  fragmentation %s  arcs as arcs %s"
             % (res["vri"], res["detection"], res["falseAlarm"], fmt(res["fragmentation"], "%.2f"),
                fmt(res["arcsAsArcs"])),
             "%-10s %6s %9s %9s %8s %7s %6s" % ("truth", "count", "length", "detection",
                                                 "as kind", "frag", "unasg")]
    for k, v in res["truth"].items():
        lines.append("%-10s %6d %9.0f %9s %8s %7s %6d" % (k, v["count"], v["length"],
                     fmt(v["detection"]), fmt(v["asOwnKind"]), fmt(v["fragmentation"], "%.2f"),
                     v["unassigned"]))
    lines.append("%-10s %6s %9s %11s" % ("detected", "count", "length", "false alarm"))
    for k, v in res["detected"].items():
        lines.append("%-10s %6d %9.0f %11s" % (k, v["count"], v["length"], fmt(v["falseAlarm"])))
    return "\n".join(lines)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("truth", help="ground truth JSON of bench/drawings")
    ap.add_argument("detected", help="detected sketch: the CLI's JSON or a DXF")
    ap.add_argument("--json", help="write the figures as JSON here ('-' for standard output)")
    ap.add_argument("--width-factor", type=float, default=WIDTH_FACTOR,
                    help="tolerance per px of stroke width (default %(default)s)")
    ap.add_argument("--margin", type=float, default=MARGIN,
                    help="tolerance added to that, px (default %(default)s)")
    ap.add_argument("--step", type=float, default=STEP, help="sample spacing, px")
    ap.add_argument("--shift", default="0,0", help="DX,DY added to the detected geometry, px")
    ap.add_argument("--dxf-scale", type=float, help="DXF drawing units per pixel (default: from "
                    "$INSUNITS and the truth's resolution)")
    args = ap.parse_args(argv)
    try:
        shift = tuple(float(v) for v in args.shift.split(","))
        truth, detected = load(args.truth, args.detected, shift, args.dxf_scale)
    except (OSError, ValueError, KeyError) as e:
        print("score: %s" % e, file=sys.stderr)
        return 2
    res = score(truth, detected, args.margin, args.step, args.width_factor)
    if args.json == "-":
        json.dump(res, sys.stdout, indent=1)
        print()
    else:
        if args.json:
            with open(args.json, "w") as f:
                json.dump(res, f, indent=1)
        print(text_report(res))
    return 0


if __name__ == "__main__":
    sys.exit(main())
