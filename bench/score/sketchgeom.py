"""Centre lines of sketch entities as polylines in sketch coordinates (pixels, x right, y down).

Reads the CLI's JSON (schema version 1; the drawing generator writes its ground truth in the same
schema) and ASCII DXF (LINE, ARC, CIRCLE, ELLIPSE, SPLINE, LWPOLYLINE, POLYLINE/VERTEX, POINT),
with the geometry conventions of cli/README.md. Curves become polylines whose chords stay within
about 0.01 px of the curve; `resample` turns them into evenly spaced samples.
"""

import json
import math

import numpy as np

CHORD_ERROR = 0.01  # px, largest distance between a curve and the chords that stand for it
MAX_POINTS = 200_000  # per curve: a wild entity (a radius of 1e12) must not exhaust memory


class Entity:
    """One drawable entity: its kind, its centre line and what the scorer needs besides."""

    def __init__(self, kind, poly, width=1.0, ink=None):
        self.kind = kind  # line, arc, circle, ellipse, ellipseArc, spline, point
        self.poly = np.asarray(poly, dtype=float).reshape(-1, 2)
        self.width = float(width)
        # Parameter intervals [u0, u1] (fractions of the length) that carry ink; None: all of it.
        self.ink = ink


# --------------------------------------------------------------------------------------------
# Curves


def arc_steps(radius, sweep, err=CHORD_ERROR):
    """Chord count that keeps an arc of this radius and sweep (radians) within `err`."""
    r = abs(radius)
    if r <= err:
        return 1
    step = 2.0 * math.acos(max(-1.0, 1.0 - err / r))
    return min(MAX_POINTS, max(2, int(math.ceil(abs(sweep) / max(step, 1e-9)))))


def arc_polyline(cx, cy, r, start, sweep, err=CHORD_ERROR):
    """Points c + r (cos t, sin t) for t from start through start + sweep (radians, y down)."""
    t = start + sweep * np.linspace(0.0, 1.0, arc_steps(r, sweep, err) + 1)
    return np.column_stack((cx + r * np.cos(t), cy + r * np.sin(t)))


def ellipse_polyline(cx, cy, a, b, phi_deg, start_deg=None, sweep_deg=None):
    """The sketch's ellipse: a axis along (cos phi, -sin phi), b axis along (sin phi, cos phi).

    A full ellipse is sampled by its eccentric angle; an elliptic arc runs over the polar angle
    (the angle of the point in the ellipse's own frame) from start through start + sweep, degrees.
    """
    p = math.radians(phi_deg)
    ux, uy, vx, vy = math.cos(p), -math.sin(p), math.sin(p), math.cos(p)
    big = max(abs(a), abs(b), 1e-9)
    small = max(min(abs(a), abs(b)), 1e-9)
    # Tightest curvature big / small^2 sets the chord length; the speed is at most `big`.
    chord = math.sqrt(8.0 * CHORD_ERROR * small * small / big)
    if start_deg is None:
        n = min(MAX_POINTS, max(16, int(math.ceil(2.0 * math.pi * big / chord))))
        t = np.linspace(0.0, 2.0 * math.pi, n + 1)
        x, y = a * np.cos(t), b * np.sin(t)
    else:
        n = math.radians(abs(sweep_deg)) * big * big / small / chord
        n = min(MAX_POINTS, max(4, int(math.ceil(n))))
        g = np.radians(start_deg + sweep_deg * np.linspace(0.0, 1.0, n + 1))
        rho = a * b / np.sqrt((b * np.cos(g)) ** 2 + (a * np.sin(g)) ** 2)
        x, y = rho * np.cos(g), rho * np.sin(g)
    return np.column_stack((cx + x * ux + y * vx, cy + x * uy + y * vy))


def bezier_polyline(controls):
    """A chain of cubic Bezier pieces from 3k + 1 control points."""
    c = np.asarray(controls, dtype=float)
    out = [c[:1]]
    for i in range(0, len(c) - 1, 3):
        p0, p1, p2, p3 = c[i], c[i + 1], c[i + 2], c[i + 3]
        hull = np.linalg.norm(p1 - p0) + np.linalg.norm(p2 - p1) + np.linalg.norm(p3 - p2)
        n = min(MAX_POINTS, max(2, int(math.ceil(hull / 0.25))))
        t = np.linspace(0.0, 1.0, n + 1)[1:, None]
        s = 1.0 - t
        out.append(s**3 * p0 + 3 * s * s * t * p1 + 3 * s * t * t * p2 + t**3 * p3)
    return np.vstack(out)


def bspline_polyline(degree, knots, controls, weights=None, spacing=0.25):
    """A (rational) B-spline by de Boor's algorithm, evaluated densely over its whole domain."""
    p = int(degree)
    k = np.asarray(knots, dtype=float)
    c = np.asarray(controls, dtype=float)
    n = len(c)
    if p < 1 or n <= p or len(k) != n + p + 1:
        return c  # malformed: the control polygon is the best guess
    w = np.ones(n) if weights is None or len(weights) != n else np.asarray(weights, dtype=float)
    h = np.column_stack((c * w[:, None], w))
    hull = float(np.sum(np.linalg.norm(np.diff(c, axis=0), axis=1)))
    m = min(MAX_POINTS, max(2 * n, int(math.ceil(hull / spacing))))
    t = np.linspace(k[p], k[n], m + 1)
    span = np.clip(np.searchsorted(k, t, side="right") - 1, p, n - 1)
    d = np.stack([h[span - p + j] for j in range(p + 1)], axis=1)  # (m+1, p+1, 3)
    for r in range(1, p + 1):
        for j in range(p, r - 1, -1):
            lo = k[span - p + j]
            hi = k[span + 1 + j - r]
            den = np.where(hi - lo == 0.0, 1.0, hi - lo)
            alpha = ((t - lo) / den)[:, None]
            d[:, j] = (1.0 - alpha) * d[:, j - 1] + alpha * d[:, j]
    out = d[:, p]
    return out[:, :2] / out[:, 2:3]


def bulge_polyline(vertices, bulges, closed, err=CHORD_ERROR):
    """A DXF polyline whose segments may be arcs: bulge = tan(included angle / 4), > 0 counter-
    clockwise in the file's own (y up) coordinates."""
    v = [np.asarray(p, dtype=float) for p in vertices]
    b = list(bulges)
    if closed and len(v) > 1:
        v.append(v[0])
    out = [v[0][None, :]]
    for i in range(len(v) - 1):
        p, q, bulge = v[i], v[i + 1], b[i] if i < len(b) else 0.0
        chord = float(np.linalg.norm(q - p))
        if abs(bulge) < 1e-12 or chord == 0.0:
            out.append(q[None, :])
            continue
        theta = 4.0 * math.atan(bulge)  # signed included angle
        r = chord / (2.0 * math.sin(abs(theta) / 2.0))
        mid = (p + q) / 2.0
        normal = np.array([-(q - p)[1], (q - p)[0]]) / chord  # left of p->q
        # A counter-clockwise arc has its centre on the left of the chord, or on the right once
        # it turns more than half way (the cosine turns negative).
        off = r * math.cos(abs(theta) / 2.0) * (1.0 if bulge > 0 else -1.0)
        c = mid + normal * off
        start = math.atan2(p[1] - c[1], p[0] - c[0])
        pts = arc_polyline(c[0], c[1], r, start, theta, err)
        out.append(pts[1:])
    return np.vstack(out)


# --------------------------------------------------------------------------------------------
# Sampling


def polyline_length(poly):
    if len(poly) < 2:
        return 0.0
    return float(np.sum(np.hypot(*np.diff(poly, axis=0).T)))


def resample(poly, step):
    """Points every `step` (or a little less) along the polyline, both ends included, and the
    arc-length fraction of each."""
    if len(poly) < 2:
        return poly.copy(), np.zeros(len(poly))
    seg = np.hypot(*np.diff(poly, axis=0).T)
    s = np.concatenate(([0.0], np.cumsum(seg)))
    total = s[-1]
    if total == 0.0:
        return poly[:1].copy(), np.zeros(1)
    n = min(MAX_POINTS, max(1, int(math.ceil(total / step))))
    u = np.linspace(0.0, total, n + 1)
    x = np.interp(u, s, poly[:, 0])
    y = np.interp(u, s, poly[:, 1])
    return np.column_stack((x, y)), u / total


# --------------------------------------------------------------------------------------------
# JSON


def _pt(v):
    return [float("nan") if c is None else float(c) for c in v]


def entity_from_json(e):
    """The Entity of one JSON entity, or None for kinds without geometry (polyline, region)."""
    kind = e.get("type")
    width = e.get("width", 1.0) or 1.0
    ink = e.get("dashes")
    try:
        if kind == "line":
            poly = [_pt(e["p1"]), _pt(e["p2"])]
        elif kind == "point":
            poly = [_pt(e["p"])]
        elif kind == "arc":
            sweep = e.get("sweep")
            if sweep is None:  # an arc written without its sweep runs by growing angles
                sweep = (e["endAngle"] - e["startAngle"]) % (2.0 * math.pi) or 2.0 * math.pi
            if sweep == 0.0:  # a chord arc
                poly = [_pt(e["p1"]), _pt(e["p3"])]
            else:
                c = _pt(e["center"])
                poly = arc_polyline(c[0], c[1], e["radius"], e["startAngle"], sweep)
        elif kind == "circle":
            c = _pt(e["center"])
            poly = arc_polyline(c[0], c[1], e["radius"], 0.0, 2.0 * math.pi)
        elif kind == "ellipse":
            c = _pt(e["center"])
            poly = ellipse_polyline(c[0], c[1], e["a"], e["b"], e["phi"])
        elif kind == "ellipseArc":
            c = _pt(e["center"])
            sweep = e["endAngle"] - e["startAngle"]
            if sweep <= 0.0:
                sweep += 360.0 * math.ceil((-sweep + 1e-12) / 360.0)
            poly = ellipse_polyline(c[0], c[1], e["a"], e["b"], e["phi"], e["startAngle"],
                                    min(sweep, 360.0))
        elif kind == "spline":
            controls = e.get("controlPoints") or []
            if len(controls) >= 4 and (len(controls) - 1) % 3 == 0:
                poly = bezier_polyline([_pt(p) for p in controls])
            else:
                poly = [_pt(p) for p in e.get("points", [])]
                if not poly:
                    return None
                if len(poly) == 1:
                    kind = "point"
        else:
            return None
    except (KeyError, TypeError):
        return None
    ent = Entity(kind, poly, width, ink)
    if not np.all(np.isfinite(ent.poly)):
        return None
    return ent


def read_json(path):
    """(entities, document) of a vemora-sketch JSON file."""
    with open(path) as f:
        doc = json.load(f)
    if doc.get("format") != "vemora-sketch":
        raise ValueError("%s: not a vemora-sketch JSON document" % path)
    ents = [entity_from_json(e) for e in doc.get("entities", [])]
    return [e for e in ents if e is not None], doc


# --------------------------------------------------------------------------------------------
# DXF


def _dxf_pairs(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    for i in range(0, len(lines) - 1, 2):
        try:
            code = int(lines[i].strip())
        except ValueError:
            continue
        yield code, lines[i + 1].strip()


def _dxf_records(path):
    """The header variables and the ENTITIES section's records as lists of (code, value)."""
    header, records = {}, []
    section, var, current = None, None, None
    expect_name = False
    for code, value in _dxf_pairs(path):
        if code == 0:
            if current is not None:
                records.append(current)
                current = None
            if value == "SECTION":
                expect_name = True
            elif value == "ENDSEC":
                section = None
            elif section == "ENTITIES":
                current = [(0, value)]
            continue
        if expect_name and code == 2:
            section, expect_name = value, False
            continue
        if section == "HEADER":
            if code == 9:
                var = value
            elif var is not None:
                header.setdefault(var, value)
        elif current is not None:
            current.append((code, value))
    if current is not None:
        records.append(current)
    return header, records


def _num(rec, code, default=0.0):
    for c, v in rec:
        if c == code:
            return float(v)
    return default


def _all(rec, code):
    return [float(v) for c, v in rec if c == code]


def dxf_units_scale(header, dpi):
    """Drawing units per pixel that the CLI's DXF writer used: $INSUNITS 4 (mm) and 1 (inch) need
    the image's resolution, 0 means pixels."""
    units = int(float(header.get("$INSUNITS", "0")))
    if units in (1, 4):
        if not dpi:
            raise ValueError("the DXF is in %s but the image's resolution is unknown"
                             % ("inches" if units == 1 else "millimetres"))
        return (1.0 if units == 1 else 25.4) / dpi
    return 1.0


def read_dxf(path, height, dpi=None, scale=None):
    """The entities of an ASCII DXF, brought back to sketch coordinates: (x, y) = (X, height*scale
    - Y) / scale with `scale` drawing units per pixel (from $INSUNITS and `dpi` unless given)."""
    header, records = _dxf_records(path)
    if scale is None:
        scale = dxf_units_scale(header, dpi)
    err = CHORD_ERROR * scale  # curves are cut into chords in drawing units
    ents = []
    polyline = None  # an open POLYLINE: [closed, vertices, bulges]
    for rec in records:
        kind = rec[0][1]
        width = 1.0
        if kind == "VERTEX" and polyline is not None:
            polyline[1].append((_num(rec, 10), _num(rec, 20)))
            polyline[2].append(_num(rec, 42))
            continue
        if kind == "SEQEND" and polyline is not None:
            if polyline[1]:
                ents.append(Entity("spline", bulge_polyline(*polyline[1:], polyline[0], err)))
            polyline = None
            continue
        poly = None
        if kind == "LINE":
            poly = [(_num(rec, 10), _num(rec, 20)), (_num(rec, 11), _num(rec, 21))]
            name = "line"
        elif kind == "POINT":
            poly = [(_num(rec, 10), _num(rec, 20))]
            name = "point"
        elif kind in ("ARC", "CIRCLE"):
            cx, cy, r = _num(rec, 10), _num(rec, 20), _num(rec, 40)
            if kind == "CIRCLE":
                start, sweep, name = 0.0, 2.0 * math.pi, "circle"
            else:
                a0, a1 = _num(rec, 50), _num(rec, 51)
                sweep = (a1 - a0) % 360.0 or 360.0
                start, sweep, name = math.radians(a0), math.radians(sweep), "arc"
            poly = arc_polyline(cx, cy, r, start, sweep, err)
        elif kind == "ELLIPSE":
            cx, cy = _num(rec, 10), _num(rec, 20)
            mx, my, ratio = _num(rec, 11), _num(rec, 21), _num(rec, 40, 1.0)
            t0, t1 = _num(rec, 41, 0.0), _num(rec, 42, 2.0 * math.pi)
            span = t1 - t0
            while span <= 0.0:
                span += 2.0 * math.pi
            full = span >= 2.0 * math.pi - 1e-9
            major = max(math.hypot(mx, my), 1e-9)
            minor = max(ratio * major, 1e-9)
            chord = math.sqrt(8.0 * err * minor * minor / major)
            n = min(MAX_POINTS, max(16, int(math.ceil(span * major / chord))))
            t = t0 + span * np.linspace(0.0, 1.0, n + 1)
            poly = np.column_stack((cx + mx * np.cos(t) - ratio * my * np.sin(t),
                                    cy + my * np.cos(t) + ratio * mx * np.sin(t)))
            name = "ellipse" if full else "ellipseArc"
        elif kind == "SPLINE":
            ctrl = list(zip(_all(rec, 10), _all(rec, 20)))
            if ctrl:
                poly = bspline_polyline(_num(rec, 71, 3), _all(rec, 40), ctrl,
                                        _all(rec, 41) or None, 25.0 * err)
            else:
                poly = list(zip(_all(rec, 11), _all(rec, 21)))
            name = "spline"
        elif kind == "LWPOLYLINE":
            # Bulges (42) follow the vertex they belong to.
            verts, bulges = [], []
            for c, v in rec:
                if c == 10:
                    verts.append([float(v), 0.0])
                    bulges.append(0.0)
                elif c == 20 and verts:
                    verts[-1][1] = float(v)
                elif c == 42 and verts:
                    bulges[-1] = float(v)
            if verts:
                poly = bulge_polyline(verts, bulges, int(_num(rec, 70, 0)) & 1, err)
            name = "spline" if len(verts) > 1 else "point"
        elif kind == "POLYLINE":
            polyline = [int(_num(rec, 70, 0)) & 1, [], []]
            continue
        else:
            continue
        lw = _num(rec, 370, -1)
        if lw > 0:
            width = lw / 100.0 / scale if scale != 1.0 else lw / 100.0 * 96.0 / 25.4
        if poly is not None and len(poly):
            ents.append(Entity(name, poly, width))
    for e in ents:
        e.poly = np.column_stack((e.poly[:, 0] / scale, height - e.poly[:, 1] / scale))
    return [e for e in ents if np.all(np.isfinite(e.poly))]


def read_sketch(path, height=None, dpi=None, scale=None):
    """Entities of a JSON or DXF file (by its first bytes); DXF needs the image height."""
    with open(path, "rb") as f:
        head = f.read(64).lstrip()
    if head.startswith(b"{"):
        return read_json(path)[0]
    if height is None:
        raise ValueError("%s: reading a DXF needs the image height" % path)
    return read_dxf(path, height, dpi, scale)
