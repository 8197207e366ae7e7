#!/usr/bin/python3
"""The `vemora` command as a user meets it: the example drawing traced to every format, the
orientation of the output, and every kind of bad input answered with exit status 2, one line on
standard error naming the culprit, and no output file.

Usage: vemoraTool_test.py VEMORA EXAMPLES_DIR CHECK_DXF_SCRIPT"""

import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

VEMORA, EXAMPLES, CHECK_DXF = sys.argv[1:4]


def run(*args):
    # Names that are not UTF-8 travel as lone surrogates here and come back the same way.
    return subprocess.run([VEMORA, *args], capture_output=True, text=True,
                          errors="surrogateescape", timeout=120)


def png_bytes(w, h, ink):
    """An 8-bit grey PNG; ink(x, y) tells the black pixels."""
    raw = b"".join(b"\0" + bytes(0 if ink(x, y) else 255 for x in range(w)) for y in range(h))

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 0, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


class TraceTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.tmp = self.dir.name

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.tmp, name)

    def test_libraries_are_not_looked_for_in_the_working_folder(self):
        # A file named like a library the tool needs, in the folder it is run from, must not
        # be loaded (here it is not even a library: loading it would stop the tool).
        with open(self.path("libpng16.so.16"), "w") as f:
            f.write("not a library\n")
        r = subprocess.run([os.path.abspath(VEMORA), "--version"], capture_output=True, text=True,
                           cwd=self.tmp)
        self.assertEqual(r.returncode, 0, r.stderr)

    def test_example_traces_to_every_format_and_its_dxf_matches_its_json(self):
        png = os.path.join(EXAMPLES, "drawing.png")
        for ext in ("dxf", "svg", "json"):
            r = run("trace", png, "-o", self.path("d." + ext), "--units", "mm")
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIn("entities", r.stdout)
        with open(self.path("d.json")) as f:
            sketch = json.load(f)
        self.assertGreater(sketch["counts"]["total"], 20)
        self.assertAlmostEqual(sketch["scale"], 25.4 / 200, places=5)  # the PNG says 200 dpi
        check = subprocess.run([sys.executable, CHECK_DXF, self.path("d.dxf"), self.path("d.json")],
                               capture_output=True, text=True)
        if check.returncode != 77:  # 77: no ezdxf here
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_g4_tiff_and_png_of_the_example_trace_alike(self):
        for name in ("drawing.png", "drawing.tif"):
            r = run("trace", os.path.join(EXAMPLES, name), "-o", self.path(name + ".json"), "-q")
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.stdout, "")
        with open(self.path("drawing.png.json")) as a, open(self.path("drawing.tif.json")) as b:
            self.assertEqual(json.load(a)["entities"], json.load(b)["entities"])

    def test_ink_in_the_top_left_corner_lands_top_left_in_every_output(self):
        img = self.path("corner.png")
        with open(img, "wb") as f:
            f.write(png_bytes(200, 150, lambda x, y: 10 <= x < 60 and 10 <= y < 14))
        self.assertEqual(run("trace", img, "-o", self.path("c.dxf"), "-q").returncode, 0)
        self.assertEqual(run("trace", img, "-o", self.path("c.json"), "-q").returncode, 0)
        with open(self.path("c.json")) as f:
            sketch = json.load(f)
        self.assertGreater(sketch["counts"]["total"], 0)
        for e in sketch["entities"]:
            for p in e.get("points", []) + [e[k] for k in ("p1", "p2") if k in e]:
                self.assertLess(p[1], 20)  # y down: near the top
        # DXF has y up: the same ink sits near y = 150.
        with open(self.path("c.dxf")) as f:
            lines = [l.strip() for l in f]
        start = lines.index("ENTITIES")
        end = lines.index("ENDSEC", start)
        ys = [float(lines[i + 1]) for i in range(start, end)
              if lines[i] in ("20", "21") and lines[i - 2] in ("10", "11")]
        self.assertTrue(ys)
        self.assertTrue(all(130 < y <= 150 for y in ys), ys)

    def test_offset_and_start_point(self):
        img = self.path("two.png")
        with open(img, "wb") as f:
            f.write(png_bytes(200, 100, lambda x, y: 20 <= x < 180 and (20 <= y < 24 or 70 <= y < 74)))
        r = run("trace", img, "-o", self.path("one.json"), "--from", "100,71", "--offset", "5,-5", "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("one.json")) as f:
            sketch = json.load(f)
        self.assertEqual(sketch["counts"]["total"], 1)
        ys = [p[1] for e in sketch["entities"] for p in e.get("points", [e.get("p1"), e.get("p2")]) if p]
        self.assertTrue(all(abs(y - (72 - 5)) <= 1 for y in ys), ys)

    def test_parameter_file_and_resolution(self):
        # A parameter file sets every key it holds and zeroes the others, as the parameter set's
        # reader does: here everything after the tracing is switched off.
        params = self.path("params.xml")
        with open(params, "w") as f:
            f.write("<Params><Raster><Clasterizer><RunClasterization>true</RunClasterization>"
                    "<PixelClasterSize>1</PixelClasterSize></Clasterizer></Raster></Params>")
        img = os.path.join(EXAMPLES, "drawing.png")
        r = run("trace", img, "-o", self.path("p.json"), "--params", params, "--dpi", "100",
                "--units", "in", "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("p.json")) as f:
            sketch = json.load(f)
        kinds = {e["type"] for e in sketch["entities"]}
        self.assertTrue(kinds <= {"line", "spline"}, kinds)  # nothing recognised
        self.assertAlmostEqual(sketch["scale"], 1 / 100)

        # A value the check accepts means the same in the run, blanks around it or not. (The
        # black level is the refiner's darkness threshold: at 0 it would see only paper.)
        outputs = []
        for value in ("true", " true ", "false"):
            with open(params, "w") as f:
                f.write("<Params><Algorithm><Sparse><BlackLevel>187</BlackLevel></Sparse>"
                        "</Algorithm><Vector><Refiner><RunRefiner>%s</RunRefiner><MergeGaps>true"
                        "</MergeGaps><MergeGapsMaxDistance>8</MergeGapsMaxDistance></Refiner>"
                        "</Vector></Params>" % value)
            out = self.path("r.json")
            r = run("trace", img, "-o", out, "--params", params, "-q")
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(out) as f:
                outputs.append(f.read())
        self.assertEqual(outputs[0], outputs[1])
        self.assertNotEqual(outputs[0], outputs[2])

        with open(self.path("bad.xml"), "w") as f:
            f.write("<Params><unclosed></Params>")
        r = run("trace", img, "-o", self.path("q.json"), "--params", self.path("bad.xml"))
        self.assertEqual(r.returncode, 2)
        self.assertIn("bad.xml", r.stderr)
        self.assertFalse(os.path.exists(self.path("q.json")))

    def test_standard_output_needs_a_format(self):
        img = os.path.join(EXAMPLES, "drawing.png")
        r = run("trace", img, "-o", "-", "--format", "json", "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(json.loads(r.stdout)["format"], "vemora-sketch")
        r = run("trace", img, "-o", "-")
        self.assertEqual(r.returncode, 2)
        self.assertIn("--format", r.stderr)

    def test_file_names_of_any_bytes(self):
        # A UTF-8 name, a name holding a byte that is not UTF-8, and a name of the longest
        # length a folder entry takes.
        src = os.path.join(EXAMPLES, "drawing.png")
        for stem in ("\u00e9 \u6f22", "l\udce9", "n" * 250):
            with self.subTest(stem=stem):
                img, params, out = (self.path(stem + ext) for ext in (".png", ".xml", ".json"))
                with open(src, "rb") as a, open(img, "wb") as b:
                    b.write(a.read())
                with open(params, "w") as f:
                    f.write("<Params><Raster></Raster></Params>")
                r = run("trace", img, "-o", out,
                        "--params", params, "-q")
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertTrue(os.path.isfile(out))
                self.assertEqual(sorted(os.listdir(self.tmp)),
                                 sorted(os.path.basename(p) for p in (img, params, out)))
                for p in (img, params, out):
                    os.remove(p)
        # Messages echo such names as they are.
        bad = self.path("\u00e9l\udce9.xml")
        with open(bad, "w") as f:
            f.write("<Params><unclosed></Params>")
        r = run("trace", src, "-o", self.path("x.json"), "--params", bad)
        self.assertEqual(r.returncode, 2)
        self.assertIn(bad, r.stderr)

    def test_usage_and_empty_results_are_told(self):
        r = run()
        self.assertEqual(r.returncode, 2)
        self.assertIn("trace", r.stderr)
        self.assertIn("Usage", r.stdout + r.stderr)

        blank = self.path("blank.png")
        with open(blank, "wb") as f:
            f.write(png_bytes(40, 30, lambda x, y: False))
        two = self.path("two.png")
        with open(two, "wb") as f:
            f.write(png_bytes(200, 100, lambda x, y: 20 <= x < 180 and 20 <= y < 24))
        for args, culprit in (([blank], "blank.png"), ([two, "--from", "5,5"], "--from 5,5")):
            with self.subTest(culprit):
                out = self.path("e.json")
                r = run("trace", *args, "-o", out, "-q")
                self.assertEqual(r.returncode, 0, r.stderr)
                lines = r.stderr.splitlines()
                self.assertEqual(len(lines), 1, r.stderr)
                self.assertIn(culprit, lines[0])
                self.assertIn("empty", lines[0])
                with open(out) as f:
                    self.assertEqual(json.load(f)["counts"]["total"], 0)


class BadInputTest(unittest.TestCase):
    """Each case: exit 2, one line on standard error naming the culprit, no output left."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.tmp = self.dir.name
        with open(os.path.join(EXAMPLES, "drawing.png"), "rb") as f:
            self.good_png = f.read()

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, data):
        path = os.path.join(self.tmp, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def refuse(self, args, culprit, out_dir=None, out_name="out.json"):
        out_dir = out_dir or self.tmp
        out = os.path.join(out_dir, out_name)
        before = set(os.listdir(out_dir)) if os.path.isdir(out_dir) else set()
        r = run("trace", *args[:1], "-o", out, *args[1:])
        self.assertEqual(r.returncode, 2, r.stderr)
        lines = r.stderr.splitlines()
        self.assertEqual(len(lines), 1, r.stderr)
        self.assertIn(culprit, lines[0])
        if os.path.isdir(out_dir):
            self.assertEqual(set(os.listdir(out_dir)), before)  # neither output nor temporary

    def test_unreadable_images(self):
        bad_crc = bytearray(self.good_png)
        bad_crc[20] ^= 0xFF  # inside IHDR's data: its CRC no longer matches
        absurd_tiff = (b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 3) +
                       struct.pack("<HHII", 256, 4, 1, 4000000000) +
                       struct.pack("<HHII", 257, 4, 1, 4000000000) +
                       struct.pack("<HHII", 258, 3, 1, 8) + b"\0\0\0\0")
        bmp = (b"BM" + struct.pack("<IHHI", 54, 0, 0, 54) +
               struct.pack("<IiiHHIIiiII", 40, 100000, 100000, 1, 24, 0, 0, 0, 0, 0, 0))
        cases = {
            "missing.png": None,
            "empty.png": b"",
            "truncated.png": self.good_png[: len(self.good_png) // 2],
            "badcrc.png": bytes(bad_crc),
            "absurd.tif": absurd_tiff,
            "huge.bmp": bmp,
            "notes.png": b"these are my notes, not an image\n",
        }
        for name, data in cases.items():
            with self.subTest(name):
                path = os.path.join(self.tmp, name) if data is None else self.write(name, data)
                self.refuse([path], name)

    def test_unwritable_output_folder(self):
        blocker = self.write("file", b"x")
        img = self.write("ok.png", self.good_png)
        self.refuse([img], "out.json", out_dir=os.path.join(blocker, "sub"))

    def test_bad_options(self):
        img = self.write("ok.png", self.good_png)
        self.refuse([img, "--set", "No\\Such\\Key=1"], "No\\Such\\Key")
        self.refuse([img, "--set", "Vector\\Refiner\\MergeGaps=maybe"], "Vector\\Refiner\\MergeGaps")
        # Values out of their key's bounds, or no numbers at all, from --set and from a parameter
        # file alike, each named with its key (and the file).
        bad_values = [("Vector\\Refiner\\MergeGapsMaxDistance", "1e308"),
                      ("Vector\\Refiner\\LinkCollinearMaxDistance", "-1"),
                      ("Vector\\Recognizer\\MaxError", "nan"),
                      ("Vector\\Approximator\\MaxError", "abc"),
                      ("Raster\\Clasterizer\\PixelClasterSize", "1300000000"),
                      ("Algorithm\\Sparse\\BlackLevel", "99999999999")]
        for i, (key, value) in enumerate(bad_values):
            self.refuse([img, "--set", key + "=" + value], key)
            path = key.split("\\")
            params = self.write("bad-%d.xml" % i, ("<P>" + "".join("<%s>" % p for p in path) +
                                value + "".join("</%s>" % p for p in reversed(path)) +
                                "</P>").encode())
            self.refuse([img, "--params", params], os.path.basename(params) + ": " + key)
        self.refuse([img, "--from", "5000,3"], "--from")
        self.refuse([img, "--from", "abc"], "--from")
        self.refuse([img, "--units", "furlong"], "--units")
        self.refuse([img, "--max-pixels", "1000"], "ok.png")
        for value in ("0", "-1", "18446744073709551616", "1e9"):
            self.refuse([img, "--max-pixels", value], "--max-pixels")
        for value in ("0", "-5", "nan", "inf", "1e-310"):
            self.refuse([img, "--dpi", value, "--units", "mm"], "--dpi")
        self.refuse([img, "--format", "svg"], "--format")
        os.mkdir(os.path.join(self.tmp, "folder.json"))
        self.refuse([img], "folder", out_name="folder.json")
        no_dpi = self.write("no_dpi.png", png_bytes(20, 20, lambda x, y: x == y))
        self.refuse([no_dpi, "--units", "mm"], "--dpi")

    def test_what_is_not_a_regular_image_file_is_not_read(self):
        pipe = os.path.join(self.tmp, "pipe.png")
        os.mkfifo(pipe)  # no writer: opening it must not wait
        for path in ("/dev/zero", pipe, self.tmp):
            self.refuse([path], path)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]], verbosity=1)
