#!/usr/bin/python3
"""The scan measure on hand-made ink whose skeleton and coverage follow from the geometry."""

import os
import sys
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "scans"))
import skeleton  # noqa: E402


def page_with_bar():
    """White paper (channel sum 765) with a black bar 7 px high, rows 20-26, columns 10-89."""
    sums = np.full((50, 100), 765, dtype=np.int32)
    sums[20:27, 10:90] = 0
    return sums


def samples_along(x0, x1, y):
    xs = np.arange(x0, x1 + 1e-9, skeleton.SAMPLE_STEP)
    return np.column_stack((xs, np.full(len(xs), float(y)))), np.full(len(xs), skeleton.SAMPLE_STEP)


class SkeletonTest(unittest.TestCase):
    def test_thinning_leaves_the_bar_s_centre_line(self):
        skel = skeleton.thin(page_with_bar() < 300)
        rows = np.flatnonzero(skel.any(axis=1))
        self.assertEqual(list(rows), [23])  # one pixel wide, in the middle row
        self.assertGreater(skel.sum(), 70)  # nearly the whole length

    def test_coverage_and_ink_follow_the_vectors_place(self):
        sums = page_with_bar()
        on = skeleton.measure(sums, *samples_along(10, 89, 23))
        self.assertEqual(on["coverage"], 1.0)
        self.assertEqual(on["on_ink"], 1.0)
        self.assertAlmostEqual(on["level"], 765 / 2 / 3, delta=1.0)  # Otsu: between the two tones
        half = skeleton.measure(sums, *samples_along(10, 49, 24))
        self.assertAlmostEqual(half["coverage"], 0.5, delta=0.06)
        # 8 px below the centre line: outside the reach and off the ink.
        off = skeleton.measure(sums, *samples_along(10, 89, 31))
        self.assertEqual(off["coverage"], 0.0)
        self.assertEqual(off["on_ink"], 0.0)


if __name__ == "__main__":
    unittest.main()
