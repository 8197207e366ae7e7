#!/usr/bin/python3
"""Checks that a change leaves every traced result as it was: traces the drawings of the quality
suite through the command-line tool (JSON output, defaults) and either records the outputs or
compares them byte for byte with outputs recorded before.

    identical.py record DIR [--vemora build/vemora] [--only NAME,...]
    identical.py check DIR  [--vemora build/vemora] [--only NAME,...]

`check` traces into a fresh folder beside DIR, names every drawing whose JSON differs (or whose
trace failed) and exits with 1 when there is one; 0 means every output is identical.
"""

import argparse
import filecmp
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(HERE, "..", "quality"))
sys.path.insert(0, os.path.join(HERE, "..", "drawings"))
import drawings  # noqa: E402
import quality  # noqa: E402


def trace_suite(vemora, drawings_dir, out_dir, only):
    """Traces each selected drawing into out_dir/NAME.json; returns the names that failed."""
    os.makedirs(drawings_dir, exist_ok=True)
    os.makedirs(out_dir, exist_ok=True)
    failed = []
    for name, size, seed, _what, opts in quality.SUITE:
        if only and name not in only:
            continue
        png = os.path.join(drawings_dir, name + ".png")
        if not os.path.exists(png):
            width, height = drawings.parse_size(size)
            drawings.generate(png, width, height, seed, **opts)
        out = os.path.join(out_dir, name + ".json")
        status = subprocess.run([vemora, "trace", png, "-o", out, "--quiet"]).returncode
        print("%-10s %s" % (name, "traced" if status == 0 else "FAILED (exit %d)" % status))
        if status != 0:
            failed.append(name)
    return failed


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("mode", choices=("record", "check"))
    ap.add_argument("dir", help="folder of the recorded outputs")
    ap.add_argument("--vemora", default=os.path.join(ROOT, "build", "vemora"))
    ap.add_argument("--drawings", default=os.path.join(ROOT, "build", "bench", "identical"),
                    help="where the suite's drawings are generated (kept between runs)")
    ap.add_argument("--only", help="comma-separated drawing names of the suite")
    args = ap.parse_args(argv)
    only = set(args.only.split(",")) if args.only else None

    if args.mode == "record":
        return 1 if trace_suite(args.vemora, args.drawings, args.dir, only) else 0

    fresh = args.dir.rstrip("/") + ".check"
    failed = trace_suite(args.vemora, args.drawings, fresh, only)
    differ = []
    for name, *_ in quality.SUITE:
        if (only and name not in only) or name in failed:
            continue
        a, b = os.path.join(args.dir, name + ".json"), os.path.join(fresh, name + ".json")
        if not os.path.exists(a):
            print("%-10s no recorded output" % name)
            differ.append(name)
        elif not filecmp.cmp(a, b, shallow=False):
            differ.append(name)
            print("%-10s DIFFERS" % name)
    bad = failed + differ
    print("identical" if not bad else "%d of the outputs differ or failed: %s" % (len(bad), ", ".join(bad)))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
