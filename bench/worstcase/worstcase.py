#!/usr/bin/python3
"""Worst-case inputs for the tracer chain: images with as much ink structure per pixel as an
image can hold, timed against a dense drawing of the same size.

    worstcase.py generate OUT.pbm --kind noise --size 2000x2000 [--seed 1]
    worstcase.py table [--vemora build/vemora] [--sizes 1000x1000,2000x2000,4000x4000]
                       [--kinds noise,black,...] [--repeats 3] [--work build/bench/worstcase]

`table` generates every kind at every size (kept in the work folder between runs), traces each
with `vemora trace IMAGE -o OUT.dxf --quiet` (the defaults), and prints a Markdown table of the
median wall time, the median CPU time (user + system) and the peak resident memory of the runs,
each also as a multiple of the dense drawing of that size.

Kinds:
  noise      every pixel ink with probability 1/2
  black      every pixel ink
  checker1   a checkerboard of 1 px squares (ink touches ink only at corners)
  checker4   a checkerboard of 4 px squares
  hatch2     horizontal hatching: a 1 px ink row every 2 px
  hatch2d    45 degree hatching: 1 px diagonals, 3 px apart along a row (2.1 px across)
  drawing    the reference: a dense synthetic drawing (drawings.py, one feature per 60 px cell,
             strokes of 1 to 3 px)
"""

import argparse
import os
import subprocess
import sys
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(HERE, "..", "drawings"))
import drawings  # noqa: E402

KINDS = ("noise", "black", "checker1", "checker4", "hatch2", "hatch2d", "drawing")


def ink(kind, width, height, seed=1):
    """The ink of a worst-case image as a boolean array (rows, columns)."""
    y, x = np.mgrid[0:height, 0:width]
    if kind == "noise":
        return np.random.default_rng(seed).random((height, width)) < 0.5
    if kind == "black":
        return np.ones((height, width), dtype=bool)
    if kind == "checker1":
        return (x + y) % 2 == 0
    if kind == "checker4":
        return (x // 4 + y // 4) % 2 == 0
    if kind == "hatch2":
        return y % 2 == 0
    if kind == "hatch2d":
        return (x + y) % 3 == 0
    raise ValueError("unknown kind " + kind)


def generate(path, kind, width, height, seed=1):
    """Writes one input: a PBM for the patterns, a PNG (beside its truth) for the drawing."""
    if kind == "drawing":
        drawings.generate(path, width, height, seed, widths=(1, 3), cell=60)
        return
    with open(path, "wb") as f:
        f.write(drawings.pbm_bytes(ink(kind, width, height, seed)))


def input_path(work, kind, width, height):
    ext = ".png" if kind == "drawing" else ".pbm"
    return os.path.join(work, "%s-%dx%d%s" % (kind, width, height, ext))


def run_once(vemora, image, out, work):
    """Wall seconds, CPU seconds and peak resident MB of one trace; None when it failed. GNU time
    reports the memory: a child forked from this (large) interpreter would count its pages."""
    report = os.path.join(work, "time.txt")
    t0 = time.monotonic()
    status = subprocess.call(["/usr/bin/time", "-f", "%U %S %M", "-o", report, vemora, "trace",
                              image, "-o", out, "--quiet"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.monotonic() - t0
    if status != 0:
        return None
    with open(report) as f:
        user, system, peak_kb = f.read().split()[-3:]
    return wall, float(user) + float(system), float(peak_kb) / 1024.0


def median(values):
    v = sorted(values)
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2.0


def measure(vemora, image, out, repeats, work):
    runs = [run_once(vemora, image, out, work) for _ in range(repeats)]
    if any(r is None for r in runs):
        return None
    return (median([r[0] for r in runs]), median([r[1] for r in runs]),
            max(r[2] for r in runs))


def table(args):
    os.makedirs(args.work, exist_ok=True)
    sizes = [drawings.parse_size(s) for s in args.sizes.split(",")]
    kinds = args.kinds.split(",")
    if "drawing" not in kinds:
        kinds.append("drawing")  # every ratio is taken against it
    print("| image | size | wall s | CPU s | peak MB | wall / drawing | CPU / drawing "
          "| memory / drawing |")
    print("|---|---|---:|---:|---:|---:|---:|---:|")
    for width, height in sizes:
        results = {}
        for kind in ["drawing"] + [k for k in kinds if k != "drawing"]:
            image = input_path(args.work, kind, width, height)
            if not os.path.exists(image):
                generate(image, kind, width, height)
            out = os.path.join(args.work, "out.dxf")
            results[kind] = measure(args.vemora, image, out, args.repeats, args.work)
        ref = results["drawing"]
        for kind in kinds:
            r = results[kind]
            size = "%d x %d" % (width, height)
            if r is None:
                print("| %s | %s | failed | | | | | |" % (kind, size))
                continue
            ratios = ("| %.1f | %.1f | %.1f |" % (r[0] / ref[0], r[1] / ref[1], r[2] / ref[2])
                      if ref else "| | | |")
            print("| %s | %s | %.2f | %.2f | %.0f %s" % (kind, size, r[0], r[1], r[2], ratios))
        sys.stdout.flush()


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = ap.add_subparsers(dest="command", required=True)
    g = sub.add_parser("generate", help="write one worst-case image")
    g.add_argument("out")
    g.add_argument("--kind", choices=KINDS, required=True)
    g.add_argument("--size", default="1000x1000", help="WxH")
    g.add_argument("--seed", type=int, default=1)
    t = sub.add_parser("table", help="time every kind at every size")
    t.add_argument("--vemora", default=os.path.join(ROOT, "build", "vemora"))
    t.add_argument("--sizes", default="1000x1000,2000x2000,4000x4000")
    t.add_argument("--kinds", default=",".join(KINDS))
    t.add_argument("--repeats", type=int, default=3)
    t.add_argument("--work", default=os.path.join(ROOT, "build", "bench", "worstcase"))
    args = ap.parse_args(argv)
    if args.command == "generate":
        width, height = drawings.parse_size(args.size)
        generate(args.out, args.kind, width, height, args.seed)
        return 0
    table(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
