#!/usr/bin/python3
"""Runs the tracer chain with its defaults over a fixed suite of synthetic drawings through the
command-line tool, scores each result and writes bench/REPORT.md with an SVG overlay per drawing.

    quality.py [--vemora build/vemora] [--work build/bench/quality] [--report bench/REPORT.md]
               [--only NAME,...] [--timeout S] [--tool NAME]

--tool runs `vemora tool NAME` (a tool of the configuration document) instead of `vemora trace`.
"""

import argparse
import datetime
import os
import platform
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(HERE, "..", "score"))
sys.path.insert(0, os.path.join(HERE, "..", "drawings"))
import drawings  # noqa: E402
import score  # noqa: E402
import sketchgeom  # noqa: E402

ALL = ",".join(drawings.FEATURES)
# name, size, seed, what it exercises, generator options
SUITE = [
    ("mixed", "1000x800", 1, "every feature, widths 1-8", {}),
    ("straight", "1000x800", 2, "bars, dashed lines, T, L and X junctions",
     {"features": ("bar", "dashed", "T", "L", "X")}),
    ("curved", "1000x800", 3, "arcs, circles, ellipses, rounded slots",
     {"features": ("arc", "circle", "ellipse", "slot")}),
    ("thin", "1000x800", 4, "strokes 1-2 px", {"widths": (1, 2)}),
    ("thick", "1000x800", 5, "strokes 6-8 px", {"widths": (6, 8)}),
    ("noise", "1000x800", 6, "salt and pepper, 0.2 % of pixels", {"noise": 0.002}),
    ("blur", "1000x800", 7, "slight blur, grey levels", {"blurred": True}),
    ("jitter", "1000x800", 8, "width jitter +-40 %", {"jitter": 0.4}),
    ("gaps", "1000x800", 9, "30 gaps of 1-3 px", {"gaps": 30}),
    ("worn", "a4", 10, "A4: noise, blur, jitter and gaps together",
     {"noise": 0.001, "blurred": True, "jitter": 0.3, "gaps": 100}),
    ("a3", "a3", 11, "A3 at 300 dpi, clean", {}),
    ("a0", "a0", 12, "A0 at 300 dpi, clean", {}),
    ("bars", "2168x2728", 13, "isolated bars, widths 1-8 at 0-90 degrees in steps of 5, three "
     "of each", {"layout": "bargrid"}),
    ("marks", "2000x1600", 14, "centre marks: crosses through circles",
     {"features": ("centremark",), "cell": 160}),
    ("junctions", "2000x1600", 15, "T, L, X and star junctions of mixed widths",
     {"features": ("T", "L", "X", "star"), "mixed": True, "cell": 160}),
    ("rings", "1000x800", 16, "small thick circles: radius 8-9.5, 5-6 px wide",
     {"features": ("smallcircle",)}),
    ("hatch", "1000x800", 17, "hatched panels, 2 px of paper between strokes",
     {"features": ("hatch",)}),
    ("dashed", "1000x800", 18, "dashed lines", {"features": ("dashed",), "cell": 160}),
]


def run(cmd, timeout):
    """(exit status, seconds, standard error); status None when the run timed out."""
    t0 = time.perf_counter()
    try:
        p = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None, time.perf_counter() - t0, "timed out"
    return p.returncode, time.perf_counter() - t0, p.stderr.decode(errors="replace").strip()


def bar_cells(doc, t, d):
    """Detection per (width, angle) cell of the isolated bars of a bar grid drawing."""
    share = score.entity_detection(t, d)
    length = [sketchgeom.polyline_length(e.poly) for e in t]
    cells = {}
    for e, f, n in zip(doc["entities"], share, length):
        if e.get("feature") == "bargrid":
            c = cells.setdefault((e["width"], e["angle"]), [0.0, 0.0])
            c[0] += f * n
            c[1] += n
    return {k: v[0] / v[1] for k, v in cells.items() if v[1] > 0}


def evaluate(name, size, seed, what, opts, vemora, work, timeout, tool=None):
    png = os.path.join(work, name + ".png")
    width, height = drawings.parse_size(size)
    truth = drawings.generate(png, width, height, seed, **opts)
    out = {"name": name, "seed": seed, "what": what, "width": width, "height": height,
           "primitives": len(truth["entities"]), "png": png}
    out_json = os.path.join(work, name + ".vemora.json")
    command = [vemora, "tool", tool] if tool else [vemora, "trace"]
    status, seconds, err = run(command + [png, "-o", out_json, "--quiet"], timeout)
    out.update(status=status, seconds=seconds, error=err)
    if status != 0:
        return out
    svg = os.path.join(work, name + ".overlay.svg")
    run(command + [png, "-o", svg, "--overlay", "--quiet"], timeout)
    out["svg"] = svg if os.path.exists(svg) else None
    t, d = score.load(drawings.truth_path(png), out_json)
    out["score"] = score.score(t, d)
    if opts.get("layout") == "bargrid":
        out["cells"] = bar_cells(truth, t, d)
    return out


def suite_totals(results):
    """Detection over the true length of every scored drawing, false alarm over the output length
    of every one, and the worst bar cell."""
    true_len = found = out_len = false = 0.0
    worst = None
    for r in results:
        s = r.get("score")
        if s is None:
            continue
        tl = sum(v["length"] for v in s["truth"].values())
        ol = sum(v["length"] for v in s["detected"].values())
        true_len += tl
        found += s["detection"] * tl
        out_len += ol
        false += s["falseAlarm"] * ol
        for k, v in r.get("cells", {}).items():
            if worst is None or v < worst[1]:
                worst = (k, v)
    return (found / true_len if true_len else None, false / out_len if out_len else None, worst)


def fmt(v, pattern="%.3f"):
    return "-" if v is None else pattern % v


def report(results, vemora, path, tool=None):
    commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"],
                            capture_output=True, text=True).stdout.strip() or "?"
    rel = lambda p: os.path.relpath(p, os.path.dirname(os.path.abspath(path)))  # noqa: E731
    lines = ["# Vectorization quality report", "",
             "Written by `bench/quality/quality.py` on %s, commit %s, %s (%d cores). Tool: `%s`, "
             "%s. Figures as defined in `bench/README.md`."
             % (datetime.date.today().isoformat(), commit, platform.machine(), os.cpu_count(),
                os.path.relpath(vemora, ROOT),
                "tool \"%s\"" % tool if tool else "tracer chain with its defaults"), "",
             "| drawing | size | primitives | entities | trace s | VRI | detection | false alarm "
             "| fragmentation | arcs as arcs |",
             "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for r in results:
        s = r.get("score")
        size = "%d x %d" % (r["width"], r["height"])
        if s is None:
            state = "timed out" if r["status"] is None else "exit %d" % r["status"]
            lines.append("| %s | %s | %d | %s | %.1f | - | - | - | - | - |"
                         % (r["name"], size, r["primitives"], state, r["seconds"]))
            continue
        lines.append("| %s | %s | %d | %d | %.2f | %.3f | %.3f | %.3f | %s | %s |"
                     % (r["name"], size, r["primitives"], s["detectedCount"], r["seconds"],
                        s["vri"], s["detection"], s["falseAlarm"],
                        fmt(s["fragmentation"], "%.2f"), fmt(s["arcsAsArcs"])))
    det, fa, worst = suite_totals(results)
    lines += ["", "Whole suite: detection %s of the true length, false alarm %s of the output "
              "length%s." % (fmt(det), fmt(fa), "; weakest bar cell %d px at %d degrees: %.3f"
                             % (worst[0][0], worst[0][1], worst[1]) if worst else "")]
    for r in results:
        lines += ["", "## %s" % r["name"], "",
                  "%s; seed %d; %d x %d px." % (r["what"], r["seed"], r["width"], r["height"])]
        s = r.get("score")
        if s is None:
            lines += ["", "The tool failed: `%s`" % (r["error"].splitlines() or ["?"])[-1]]
            continue
        if r.get("svg"):
            lines += ["", "Overlay: [%s](%s)" % (os.path.basename(r["svg"]), rel(r["svg"]))]
        lines += ["", "| true kind | count | length px | detection | as own kind | fragmentation "
                  "| unassigned |", "|---|---:|---:|---:|---:|---:|---:|"]
        for k, v in s["truth"].items():
            lines.append("| %s | %d | %.0f | %s | %s | %s | %d |"
                         % (k, v["count"], v["length"], fmt(v["detection"]), fmt(v["asOwnKind"]),
                            fmt(v["fragmentation"], "%.2f"), v["unassigned"]))
        lines += ["", "| detected kind | count | length px | false alarm |", "|---|---:|---:|---:|"]
        for k, v in s["detected"].items():
            lines.append("| %s | %d | %.0f | %s |" % (k, v["count"], v["length"],
                                                      fmt(v["falseAlarm"])))
        cells = r.get("cells")
        if cells:
            angles = sorted({a for _, a in cells})
            lines += ["", "Detection per bar width (rows, px) and angle (columns, degrees):", "",
                      "| width | " + " | ".join("%d" % a for a in angles) + " |",
                      "|---:|" + "---:|" * len(angles)]
            for w in sorted({w for w, _ in cells}):
                lines.append("| %d | " % w + " | ".join(
                    "%.2f" % cells[(w, a)] if (w, a) in cells else "-" for a in angles) + " |")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--vemora", default=os.path.join(ROOT, "build", "vemora"))
    ap.add_argument("--work", default=os.path.join(ROOT, "build", "bench", "quality"),
                    help="drawings, traced sketches and overlays go here")
    ap.add_argument("--report", default=os.path.join(ROOT, "bench", "REPORT.md"))
    ap.add_argument("--only", help="comma-separated drawing names of the suite")
    ap.add_argument("--timeout", type=float, default=900.0, help="seconds per trace")
    ap.add_argument("--tool", help="run this tool of the configuration document instead of the "
                    "tracer chain")
    args = ap.parse_args(argv)
    if not os.access(args.vemora, os.X_OK):
        print("quality: %s is not an executable; build the tool first" % args.vemora,
              file=sys.stderr)
        return 2
    names = set(args.only.split(",")) if args.only else None
    os.makedirs(args.work, exist_ok=True)
    results = []
    for name, size, seed, what, opts in SUITE:
        if names and name not in names:
            continue
        r = evaluate(name, size, seed, what, opts, args.vemora, args.work, args.timeout, args.tool)
        s = r.get("score")
        print("%-9s %6.2f s  %s" % (name, r["seconds"], "VRI %.3f" % s["vri"] if s else
                                    "failed: %s" % r["error"]), flush=True)
        results.append(r)
    report(results, args.vemora, args.report, args.tool)
    det, fa, worst = suite_totals(results)
    print("suite: detection %s, false alarm %s%s" % (
        fmt(det), fmt(fa), ", weakest bar cell %d px at %d degrees %.3f"
        % (worst[0][0], worst[0][1], worst[1]) if worst else ""))
    print("wrote %s" % args.report)
    return 0


if __name__ == "__main__":
    sys.exit(main())
