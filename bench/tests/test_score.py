#!/usr/bin/python3
"""The scorer on hand-made cases whose figures follow from the geometry."""

import json
import math
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "score"))
import score  # noqa: E402
import sketchgeom  # noqa: E402


def line(p1, p2, width=3.0, **extra):
    return dict(type="line", p1=list(p1), p2=list(p2), width=width, **extra)


def arc(c, r, start, sweep, width=2.0):
    return dict(type="arc", center=list(c), radius=r, startAngle=start, endAngle=start + sweep,
                sweep=sweep, width=width)


def ents(*items):
    return [sketchgeom.entity_from_json(e) for e in items]


class ScoreTest(unittest.TestCase):
    def test_perfect_detection_of_every_kind_scores_one(self):
        truth = ents(line((10, 10), (190, 10)), arc((100, 60), 30, 0.0, math.pi),
                     dict(type="circle", center=[40, 60], radius=15, width=1),
                     dict(type="ellipse", center=[160, 60], a=25, b=10, phi=30, width=4),
                     line((10, 95), (190, 95), 2, dashes=[[0, 0.2], [0.4, 0.6], [0.8, 1]]))
        res = score.score(truth, truth)
        self.assertAlmostEqual(res["vri"], 1.0)
        self.assertAlmostEqual(res["falseAlarm"], 0.0)
        self.assertAlmostEqual(res["fragmentation"], 1.0)
        self.assertAlmostEqual(res["arcsAsArcs"], 1.0)
        self.assertEqual(set(res["truth"]), {"line", "arc", "circle", "ellipse", "dashed"})
        for k, v in res["truth"].items():
            self.assertAlmostEqual(v["asOwnKind"], 1.0, msg=k)

    def test_dashed_line_counts_only_its_dashes_and_allows_bridging_the_gaps(self):
        truth = ents(line((0, 0), (100, 0), 2, dashes=[[0, 0.3], [0.7, 1]]))
        dashes = ents(line((0, 0), (30, 0)), line((70, 0), (100, 0)))
        self.assertAlmostEqual(score.score(truth, dashes)["detection"], 1.0, places=2)
        one_dash = score.score(truth, ents(line((0, 0), (30, 0))))
        self.assertAlmostEqual(one_dash["detection"], 0.5, delta=0.03)
        bridged = score.score(truth, ents(line((0, 0), (100, 0))))
        self.assertAlmostEqual(bridged["falseAlarm"], 0.0)
        self.assertAlmostEqual(bridged["truth"]["dashed"]["length"], 60.0, delta=2.0)

    def test_line_shifted_beyond_tolerance_is_missed_and_false(self):
        truth = ents(line((10, 50), (190, 50), width=4))  # tolerance 4 / 4 + 1 px
        for shift, detection in ((1.9, 1.0), (2.1, 0.0), (20.0, 0.0)):
            res = score.score(truth, ents(line((10, 50 + shift), (190, 50 + shift))))
            self.assertAlmostEqual(res["detection"], detection, msg=shift)
            self.assertAlmostEqual(res["falseAlarm"], 1.0 - detection, msg=shift)
            self.assertAlmostEqual(res["vri"], detection, msg=shift)

    def test_outlines_of_a_thick_stroke_are_not_its_centre_line(self):
        truth = ents(line((0, 0), (100, 0), 8))
        res = score.score(truth, ents(line((0, -4), (100, -4)), line((0, 4), (100, 4))))
        self.assertEqual((res["detection"], res["falseAlarm"]), (0.0, 1.0))

    def test_tolerance_grows_with_the_stroke_width(self):
        thin = score.score(ents(line((0, 0), (100, 0), 1)), ents(line((0, 2.5), (100, 2.5))))
        wide = score.score(ents(line((0, 0), (100, 0), 8)), ents(line((0, 2.5), (100, 2.5))))
        self.assertEqual((thin["detection"], wide["detection"]), (0.0, 1.0))

    def test_line_split_in_three_is_found_with_fragmentation_three(self):
        truth = ents(line((0, 0), (300, 0)), line((0, 100), (300, 100)))
        detected = ents(line((0, 0), (100, 0)), line((100, 0), (200, 0)), line((200, 0), (300, 0)),
                        line((0, 100), (300, 100)))
        res = score.score(truth, detected)
        self.assertAlmostEqual(res["detection"], 1.0, places=2)
        self.assertAlmostEqual(res["falseAlarm"], 0.0)
        self.assertAlmostEqual(res["fragmentation"], 2.0)  # (3 + 1) / 2
        self.assertEqual(res["unassigned"], 0)

    def test_partial_and_missing_detections(self):
        truth = ents(line((0, 0), (100, 0)), line((0, 50), (100, 50)))
        res = score.score(truth, ents(line((0, 0), (50, 0)), line((0, 300), (50, 300))))
        # The half line reaches a tolerance (3 / 4 + 1 px) beyond its end.
        self.assertAlmostEqual(res["detection"], (50 + 1.75) / 200, delta=0.01)
        self.assertAlmostEqual(res["falseAlarm"], 0.5, delta=0.01)
        self.assertEqual(res["unassigned"], 1)
        empty = score.score(truth, [])
        self.assertEqual((empty["detection"], empty["falseAlarm"], empty["vri"]), (0.0, 0.0, 0.5))

    def test_arc_recovered_as_polyline_is_detected_but_not_as_arc(self):
        truth = ents(arc((100, 100), 40, 0.0, 1.5 * math.pi),
                     dict(type="circle", center=[300, 100], radius=30, width=2))
        t = np.linspace(0.0, 1.5 * math.pi, 13)
        polygon = dict(type="spline", points=[[100 + 40 * math.cos(a), 100 + 40 * math.sin(a)]
                                              for a in t])
        circle = dict(type="circle", center=[300, 100], radius=30)
        res = score.score(truth, ents(polygon, circle))
        self.assertAlmostEqual(res["detection"], 1.0, places=2)
        self.assertAlmostEqual(res["truth"]["arc"]["asOwnKind"], 0.0)
        self.assertAlmostEqual(res["truth"]["circle"]["asOwnKind"], 1.0)
        arc_len, circle_len = 40 * 1.5 * math.pi, 2 * math.pi * 30
        self.assertAlmostEqual(res["arcsAsArcs"], circle_len / (arc_len + circle_len), delta=0.01)

    def test_enormous_entities_are_false_alarms_not_a_memory_blowup(self):
        truth = ents(line((0, 0), (100, 0)))
        wild = ents(arc((0, 1e12), 1e12, -math.pi / 2, 1.0), line((-1e9, -1e9), (1e9, 1e9)),
                    line((0, 0), (100, 0)))
        res = score.score(truth, wild)
        self.assertAlmostEqual(res["detection"], 1.0)
        self.assertGreater(res["falseAlarm"], 0.999)

    def test_arc_running_the_wrong_way_round_is_false(self):
        truth = ents(arc((100, 100), 40, 0.0, 0.5 * math.pi))
        res = score.score(truth, ents(arc((100, 100), 40, 0.0, -0.5 * math.pi)))
        self.assertLess(res["detection"], 0.1)
        self.assertGreater(res["falseAlarm"], 0.9)


# A drawing 200 x 100 px in pixel units: CAD (X, Y) = (x, 100 - y).
DXF = """  0
SECTION
  2
HEADER
  9
$INSUNITS
 70
0
  0
ENDSEC
  0
SECTION
  2
ENTITIES
  0
LINE
  8
0
 10
10
 20
90
 11
190
 21
90
  0
ARC
 10
100
 20
40
 40
30
 50
180
 51
0
  0
CIRCLE
 10
40
 20
40
 40
15
  0
ELLIPSE
 10
150
 20
50
 11
0
 21
20
 40
0.5
 41
0
 42
6.283185307179586
  0
SPLINE
 71
3
 40
0
 40
0
 40
0
 40
0
 40
1
 40
1
 40
1
 40
1
 10
10
 20
30
 10
20
 20
15
 10
30
 20
15
 10
40
 20
30
  0
LWPOLYLINE
 90
3
 70
0
 10
60
 20
95
 10
80
 20
95
 10
80
 20
85
  0
POINT
 10
5
 20
5
  0
ENDSEC
  0
EOF
"""

JSON_EQUIVALENT = [
    line((10, 10), (190, 10), 1.0), arc((100, 60), 30, 0.0, math.pi),
    dict(type="circle", center=[40, 60], radius=15),
    dict(type="ellipse", center=[150, 50], a=20, b=10, phi=90),
    dict(type="spline", points=[[10, 70], [40, 70]],
         controlPoints=[[10, 70], [20, 85], [30, 85], [40, 70]]),
    dict(type="spline", points=[[60, 5], [80, 5], [80, 15]], controlPoints=[]),
    dict(type="point", p=[5, 95]),
]


class ReadersTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def write(self, name, text):
        path = os.path.join(self.tmp.name, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_dxf_and_equivalent_json_score_the_same(self):
        truth = {"format": "vemora-sketch", "version": 1, "image": {"width": 200, "height": 100},
                 "entities": [line((10, 10), (190, 10), 2), arc((100, 60), 30, 0.0, math.pi),
                              dict(type="circle", center=[40, 62], radius=15, width=2),
                              dict(type="ellipse", center=[150, 50], a=10, b=20, phi=0, width=2),
                              line((60, 5), (80, 5), 2), line((100, 90), (190, 90), 2)]}
        detected = dict(truth, entities=JSON_EQUIVALENT)
        t = self.write("truth.json", json.dumps(truth))
        from_json = score.score(*score.load(t, self.write("d.json", json.dumps(detected))))
        from_dxf = score.score(*score.load(t, self.write("d.dxf", DXF)))
        self.assertEqual(from_json["detected"].keys(), from_dxf["detected"].keys())
        for key in ("detection", "falseAlarm", "vri", "fragmentation", "arcsAsArcs"):
            self.assertAlmostEqual(from_json[key], from_dxf[key], places=6, msg=key)
        self.assertLess(from_json["detection"], 1.0)  # the last true line is not detected
        self.assertGreater(from_json["falseAlarm"], 0.0)  # nor are the spline and the point true

    def test_dxf_polyline_bulge_is_a_circular_arc(self):
        # A half turn counter-clockwise (bulge 1) from (0, 0) to (20, 0) passes below the chord.
        path = self.write("b.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\nLWPOLYLINE\n 90\n2\n 70\n0\n"
                          " 10\n0\n 20\n0\n 42\n1\n 10\n20\n 20\n0\n  0\nENDSEC\n  0\nEOF\n")
        (e,) = sketchgeom.read_dxf(path, height=0.0)
        cad = np.column_stack((e.poly[:, 0], -e.poly[:, 1]))
        np.testing.assert_allclose(np.hypot(cad[:, 0] - 10, cad[:, 1]), 10.0, atol=1e-9)
        self.assertAlmostEqual(cad[:, 1].min(), -10.0, places=3)
        self.assertLessEqual(cad[:, 1].max(), 1e-9)

    def test_dxf_in_millimetres_is_brought_back_to_pixels(self):
        mm = DXF.replace("$INSUNITS\n 70\n0", "$INSUNITS\n 70\n4")
        path = self.write("mm.dxf", mm)
        (first,) = sketchgeom.read_dxf(path, height=200, dpi=50.8)[:1]  # 0.5 mm per pixel
        np.testing.assert_allclose(first.poly, [[20, 20], [380, 20]])
        with self.assertRaises(ValueError):
            sketchgeom.read_dxf(path, height=100)

    @unittest.skipUnless(os.environ.get("VEMORA_SAMPLE_SKETCH"), "no sample sketch writer given")
    def test_reads_the_cli_writers_dxf_onto_its_json(self):
        # The CLI's own writers: every drawable JSON entity and its DXF twin trace the same line.
        subprocess.run([os.environ["VEMORA_SAMPLE_SKETCH"], self.tmp.name], check=True)
        with open(os.path.join(self.tmp.name, "sample.json")) as f:
            doc = json.load(f)
        js = [sketchgeom.entity_from_json(e) for e in doc["entities"]]
        js = [e for e in js if e is not None]
        dx = sketchgeom.read_dxf(os.path.join(self.tmp.name, "sample.dxf"),
                                 doc["image"]["height"], scale=doc["scale"])
        self.assertEqual(len(js), len(dx))
        for a, b in zip(js, dx):
            self.assertEqual(a.kind, b.kind)
            self.assertLess(max(farthest(a.poly, b.poly), farthest(b.poly, a.poly)), 0.02, a.kind)


def farthest(points, poly):
    """The largest distance from a point of `points` to the polyline `poly`."""
    if len(poly) == 1:
        poly = np.vstack((poly, poly))
    d, _ = score.nearest(points, poly[:-1], poly[1:], np.zeros(len(poly) - 1), 5.0)
    return d.max()

if __name__ == "__main__":
    unittest.main()
