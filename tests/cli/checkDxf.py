#!/usr/bin/env python3
"""Audits a DXF with ezdxf and checks that its entities, read back and flipped into
image coordinates, lie on the sample JSON's values. Exit 77 (skipped) without ezdxf."""
import json
import math
import os
import subprocess
import sys
import tempfile

try:
    import ezdxf
    from ezdxf.math import Vec3
except ImportError:
    print("ezdxf is not installed: skipped")
    sys.exit(77)

TOL = 1e-6


def main():
    # Either a program that writes sample.dxf and sample.json into a folder, or a DXF and a JSON
    # file written from the same sketch.
    if len(sys.argv) == 3:
        doc = ezdxf.readfile(sys.argv[1])
        with open(sys.argv[2]) as f:
            sketch = json.load(f)
    else:
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run([sys.argv[1], tmp], check=True)
            doc = ezdxf.readfile(os.path.join(tmp, "sample.dxf"))
            with open(os.path.join(tmp, "sample.json")) as f:
                sketch = json.load(f)

    problems = []
    auditor = doc.audit()
    for e in auditor.errors:
        problems.append("audit error: %s" % (e.message,))
    for e in auditor.fixes:
        problems.append("audit fix: %s" % (e.message,))
    if doc.dxfversion != "AC1015":
        problems.append("version %s" % doc.dxfversion)

    scale, height = sketch["scale"], sketch["image"]["height"]

    def to_image(v):
        return (v[0] / scale, height - v[1] / scale)

    def near(a, b, tol=TOL):
        return math.hypot(a[0] - b[0], a[1] - b[1]) < tol

    def check(cond, what):
        if not cond:
            problems.append(what)

    entities = [e for e in sketch["entities"] if e["type"] not in ("polyline", "region")]
    msp = list(doc.modelspace())
    check(len(msp) == len(entities), "%d DXF entities for %d JSON ones" % (len(msp), len(entities)))
    for k, (d, j) in enumerate(zip(msp, entities)):
        kind, t = d.dxftype(), j["type"]
        where = "entity %d (%s as %s)" % (k, t, kind)
        if t == "line":
            check(kind == "LINE", where)
            check(near(to_image(d.dxf.start), j["p1"]) and near(to_image(d.dxf.end), j["p2"]), where)
            if j["width"] != 1.0:
                check(d.dxf.hasattr("lineweight") and d.dxf.lineweight > 0, where + ": lineweight")
        elif t == "arc":
            check(kind == "ARC", where)
            check(near(to_image(d.dxf.center), j["center"]), where + ": centre")
            check(abs(d.dxf.radius / scale - j["radius"]) < TOL, where + ": radius")
            # DXF runs counter-clockwise from start to end; flipped, its end is the image start.
            start, end = to_image(d.end_point), to_image(d.start_point)
            p1, p3 = j["p1"], j["p3"]
            if j["sweep"] < 0:
                p1, p3 = p3, p1
            check(near(start, p1) and near(end, p3), where + ": ends %s %s" % (start, end))
            # The middle of the DXF arc, flipped, is the middle of the sketch's run.
            span = (d.dxf.end_angle - d.dxf.start_angle) % 360
            mid = to_image(next(iter(d.vertices([d.dxf.start_angle + span / 2]))))
            c, r = j["center"], j["radius"]
            half = j["startAngle"] + j["sweep"] / 2
            check(near(mid, (c[0] + r * math.cos(half), c[1] + r * math.sin(half)), 1e-5),
                  where + ": middle")
        elif t == "circle":
            check(kind == "CIRCLE", where)
            check(near(to_image(d.dxf.center), j["center"]), where)
            check(abs(d.dxf.radius / scale - j["radius"]) < TOL, where)
        elif t in ("ellipse", "ellipseArc"):
            check(kind == "ELLIPSE", where)
            check(near(to_image(d.dxf.center), j["center"]), where + ": centre")
            major = Vec3(d.dxf.major_axis).magnitude / scale
            minor = major * d.dxf.ratio
            check(abs(major - max(j["a"], j["b"])) < TOL and abs(minor - min(j["a"], j["b"])) < TOL,
                  where + ": axes")
            if t == "ellipseArc":
                check(near(to_image(d.end_point), j["startPoint"], 1e-5) and
                      near(to_image(d.start_point), j["endPoint"], 1e-5), where + ": ends")
            # Every DXF vertex, flipped, lies on the sketch ellipse.
            c, a, b, phi = j["center"], j["a"], j["b"], math.radians(j["phi"])
            for v in d.vertices([d.dxf.start_param + i * 0.1 for i in range(5)]):
                x, y = to_image(v)
                dx, dy = x - c[0], y - c[1]
                # The sketch's a axis points at (cos phi, -sin phi) in image coordinates.
                u = dx * math.cos(phi) - dy * math.sin(phi)
                w = dx * math.sin(phi) + dy * math.cos(phi)
                check(abs((u / a) ** 2 + (w / b) ** 2 - 1) < 1e-6, where + ": off the ellipse")
        elif t == "spline":
            controls, points = j["controlPoints"], j["points"]
            if controls:
                check(kind == "SPLINE", where)
                got = [to_image(p) for p in d.control_points]
                check(len(got) == len(controls) and all(near(a, b) for a, b in zip(got, controls)), where)
                curve = d.construction_tool()
                check(near(to_image(curve.point(0)), controls[0]) and
                      near(to_image(curve.point(curve.max_t)), controls[-1]), where + ": ends")
            else:
                check(kind == "LWPOLYLINE", where)
                got = [to_image(p) for p in d.get_points("xy")]
                want = points[:-1] if d.closed else points
                check(len(got) == len(want) and all(near(a, b) for a, b in zip(got, want)), where)
        elif t == "point":
            check(kind == "POINT" and near(to_image(d.dxf.location), j["p"]), where)

    for p in problems:
        print(p)
    if problems:
        return 1
    print("DXF audit clean; %d entities match the JSON" % len(msp))
    return 0


if __name__ == "__main__":
    sys.exit(main())
