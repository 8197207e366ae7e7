#!/usr/bin/python3
"""The drawing generator's raster against its own ground truth."""

import json
import os
import sys
import tempfile
import unittest
import zlib

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "score"))
sys.path.insert(0, os.path.join(HERE, "..", "drawings"))
import drawings  # noqa: E402
import score  # noqa: E402
import sketchgeom  # noqa: E402

W, H = 900, 700


def truth_entities(prims):
    return [sketchgeom.entity_from_json(e) for e in prims]


def ink_at_samples(ink, e):
    """Whether each ink-carrying centre-line sample of `e` lies on ink: the nearest pixel for
    strokes of 2 px and more, any of the four around it for thinner ones (a pixel centre can be
    0.71 px from the line)."""
    pts, u = sketchgeom.resample(e.poly, 0.5)
    if e.ink is not None:
        keep = np.zeros(len(pts), dtype=bool)
        for u0, u1 in e.ink:
            keep |= (u >= u0) & (u <= u1)
        pts = pts[keep]
    if e.width >= 2:
        near = np.rint(pts).astype(int)
        return ink[near[:, 1], near[:, 0]]
    fx, fy = np.floor(pts[:, 0]).astype(int), np.floor(pts[:, 1]).astype(int)
    return ink[fy, fx] | ink[fy, fx + 1] | ink[fy + 1, fx] | ink[fy + 1, fx + 1]


class DrawingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prims = drawings.compose(W, H, seed=8, cell=150)
        cls.ink = drawings.render(W, H, cls.prims)

    def test_every_feature_and_width_occurs(self):
        self.assertEqual({e["feature"] for e in self.prims} - {"frame"}, set(drawings.FEATURES))
        self.assertEqual({e["width"] for e in self.prims}, set(range(1, 9)))
        self.assertEqual({e["type"] for e in self.prims}, {"line", "arc", "circle", "ellipse"})

    def test_every_centre_line_sample_lies_on_ink(self):
        for prim, e in zip(self.prims, truth_entities(self.prims)):
            on = ink_at_samples(self.ink, e)
            self.assertTrue(on.all(), "%s %d: %d samples off ink" % (prim["type"], prim["id"],
                                                                   np.sum(~on)))

    def test_ink_lies_within_half_a_width_of_a_centre_line(self):
        ents = truth_entities(self.prims)
        lines = score.Samples(ents, 0.25, ink_only=False)
        slack = np.array([e.width / 2 for e in ents])[lines.seg_owner]
        ys, xs = np.nonzero(self.ink)
        excess, _ = score.nearest(np.column_stack((xs, ys)).astype(float), lines.seg_a,
                                  lines.seg_b, slack, slack.max() + 1.0)
        self.assertLess(excess.max(), 0.01)  # chords of 0.25 px stand in for the curves

    def test_extra_features_and_the_bar_grid_lie_on_their_ink(self):
        extra = drawings.compose(W, H, seed=3, features=drawings.EXTRA_FEATURES, cell=150,
                                 mixed=True)
        grid = drawings.compose_bar_grid(1200, 1300, seed=3)
        self.assertEqual({e["feature"] for e in extra} - {"frame"}, set(drawings.EXTRA_FEATURES))
        self.assertEqual({(e["width"], e["angle"]) for e in grid},
                         {(w, a) for w in range(1, 9) for a in drawings.BAR_GRID_ANGLES})
        for prims, (w, h) in ((extra, (W, H)), (grid, (1200, 1300))):
            ink = drawings.render(w, h, prims)
            for prim, e in zip(prims, truth_entities(prims)):
                self.assertTrue(ink_at_samples(ink, e).all(), "%s %d" % (prim["feature"], prim["id"]))

    def test_dash_gaps_carry_no_ink(self):
        for prim in self.prims:
            if not prim.get("dashes"):
                continue
            p1, p2 = np.array(prim["p1"]), np.array(prim["p2"])
            ends = [u for span in prim["dashes"] for u in span][1:-1]
            for u0, u1 in zip(ends[::2], ends[1::2]):
                middle = np.rint(p1 + (u0 + u1) / 2 * (p2 - p1)).astype(int)
                self.assertFalse(self.ink[middle[1], middle[0]], prim["id"])

    def test_same_seed_same_drawing_and_degradations_leave_the_truth_alone(self):
        with tempfile.TemporaryDirectory() as tmp:
            a, b, c = (os.path.join(tmp, n + ".png") for n in "abc")
            drawings.generate(a, 400, 300, seed=9, cell=120)
            drawings.generate(b, 400, 300, seed=9, cell=120)
            drawings.generate(c, 400, 300, seed=9, cell=120, noise=0.01, jitter=0.3, gaps=5,
                              blurred=True)
            data = []
            for p in (a, b, c):
                with open(p, "rb") as f:
                    data.append(f.read())
            truths = []
            for p in (a, b, c):
                with open(drawings.truth_path(p)) as f:
                    truths.append(json.load(f))
        self.assertEqual(data[0], data[1])
        self.assertNotEqual(data[0], data[2])
        self.assertEqual(truths[0]["entities"], truths[2]["entities"])
        self.assertEqual(len(truths[2]["generator"]["gaps"]), 5)

    def test_png_holds_the_ink_rows(self):
        ink = np.zeros((3, 10), dtype=bool)
        ink[1, 2:9] = True
        png = drawings.png_bytes(ink, dpi=300)
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        idat = png.index(b"IDAT")
        size = int.from_bytes(png[idat - 4:idat], "big")
        raw = np.frombuffer(zlib.decompress(png[idat + 4:idat + 4 + size]), np.uint8).reshape(3, 3)
        self.assertEqual(raw[:, 0].tolist(), [0, 0, 0])  # no row filter
        bits = np.unpackbits(raw[:, 1:], axis=1)[:, :10]
        np.testing.assert_array_equal(bits == 0, ink)  # 0 is black in 1-bit grey
        self.assertIn(b"pHYs" + (11811).to_bytes(4, "big"), png)

    def test_salt_and_pepper_flips_the_share_asked_for(self):
        ink = np.zeros((200, 500), dtype=bool)
        drawings.salt_and_pepper(ink, 0.01, seed=1)
        self.assertAlmostEqual(ink.mean(), 0.01, delta=0.002)  # repeats may cancel a few flips


if __name__ == "__main__":
    unittest.main()
