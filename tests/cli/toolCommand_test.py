#!/usr/bin/python3
"""`vemora tool`, `vemora tools` and `vemora processors` as a user meets them: the shipped tools,
the SPV tool against the one-call tracer, selections placed back in the image, and configuration
documents that cannot be read.

Usage: toolCommand_test.py VEMORA EXAMPLES_DIR"""

import json
import os
import resource
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

VEMORA, EXAMPLES = sys.argv[1:3]


def png_bytes(w, h, ink, ink_level=0, paper_level=255):
    """An 8-bit grey PNG; ink(x, y) tells the ink pixels."""
    raw = b"".join(b"\0" + bytes(ink_level if ink(x, y) else paper_level for x in range(w))
                   for y in range(h))

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 0, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def run(*args):
    return subprocess.run([VEMORA, *args], capture_output=True)


class ToolCommandTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_lists_the_shipped_tools_and_the_processors(self):
        r = run("tools")
        self.assertEqual(r.returncode, 0, r.stderr)
        names = [line.split(b"\t")[0] for line in r.stdout.splitlines()]
        self.assertIn(b"SPV", names)
        r = run("processors")
        self.assertEqual(r.returncode, 0, r.stderr)
        text = r.stdout.decode()
        self.assertIn("tracing algorithms:\n  ColoredOutlineAlgorithm\n  OutlineAlgorithm\n"
                      "  SpvAlgorithm\n", text)
        self.assertIn("  EntityRecognizer\n", text)

    def test_spv_tool_gives_the_tracers_entities(self):
        png = os.path.join(EXAMPLES, "drawing.png")
        self.assertEqual(run("tool", "SPV", png, "-o", self.path("tool.json"), "-q").returncode, 0)
        self.assertEqual(run("trace", png, "-o", self.path("trace.json"), "-q").returncode, 0)
        with open(self.path("tool.json")) as a, open(self.path("trace.json")) as b:
            tool, trace = json.load(a), json.load(b)
        self.assertGreater(len(tool["entities"]), 20)
        self.assertEqual(tool["entities"], trace["entities"])

    def test_clean_tool_traces_a_scan_on_grey_paper_as_on_white(self):
        def strokes(x, y):
            return (10 <= x < 150 and 10 <= y < 14) or (80 <= x < 84 and 20 <= y < 110)
        grey, white = self.path("grey.png"), self.path("white.png")
        with open(grey, "wb") as f:
            f.write(png_bytes(160, 120, strokes, ink_level=40, paper_level=128))
        with open(white, "wb") as f:
            f.write(png_bytes(160, 120, strokes))
        r = run("tool", "Clean", grey, "-o", self.path("clean.json"), "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(run("trace", white, "-o", self.path("white.json"), "-q").returncode, 0)
        with open(self.path("clean.json")) as a, open(self.path("white.json")) as b:
            clean, traced = json.load(a), json.load(b)
        self.assertGreaterEqual(len(traced["entities"]), 2)
        self.assertEqual(clean["entities"], traced["entities"])

    def test_outline_tool_follows_the_rim_of_a_filled_area(self):
        img = self.path("disc.png")
        with open(img, "wb") as f:
            f.write(png_bytes(120, 120, lambda x, y: (x - 60) ** 2 + (y - 60) ** 2 <= 40 ** 2))
        r = run("tool", "Outline", img, "-o", self.path("disc.json"), "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("disc.json")) as f:
            entities = json.load(f)["entities"]
        self.assertEqual(len(entities), 1)
        points = entities[0]["points"]
        self.assertGreaterEqual(len(points), 8)
        for x, y in points:  # on the rim, within the corridor the corners are kept in
            self.assertAlmostEqual(((x - 60) ** 2 + (y - 60) ** 2) ** 0.5, 40.5, delta=3)

    def test_color_outline_tool_gives_the_rim_of_the_picked_region(self):
        img = self.path("ring.png")
        with open(img, "wb") as f:
            f.write(png_bytes(120, 120, lambda x, y: 30 <= ((x - 60) ** 2 + (y - 60) ** 2) ** 0.5 <= 40))
        r = run("tool", "ColorOutline", img, "-o", self.path("hole.json"), "--pick", "60,60", "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("hole.json")) as f:
            entities = json.load(f)["entities"]
        self.assertEqual(len(entities), 1)
        for x, y in entities[0]["points"]:  # where the hole meets the ring
            self.assertAlmostEqual(((x - 60) ** 2 + (y - 60) ** 2) ** 0.5, 30, delta=3)

    def test_selection_lands_where_it_was_in_the_image(self):
        img = self.path("two.png")
        with open(img, "wb") as f:
            f.write(png_bytes(200, 100, lambda x, y: 20 <= x < 180 and (20 <= y < 24 or 70 <= y < 74)))
        r = run("tool", "SPV", img, "-o", self.path("sel.json"), "--select", "10,60,190,90", "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("sel.json")) as f:
            sketch = json.load(f)
        self.assertEqual(sketch["counts"]["total"], 1)  # the upper stroke is outside
        e = sketch["entities"][0]
        for p in e.get("points") or [e["p1"], e["p2"]]:
            self.assertTrue(18 <= p[0] <= 182 and abs(p[1] - 72) <= 1, p)

    def test_another_configuration_is_read_and_never_written(self):
        conf = self.path("mine.xml")
        text = ('<Vemora version="1.1"><ToolDefinitions>'
                '<Tool name="Caf\u00e9 &quot;noir&quot;"><General><Description>Ink &amp; paper'
                '</Description></General></Tool></ToolDefinitions><ToolConfigurations/>'
                '</Vemora>').encode()
        with open(conf, "wb") as f:
            f.write(text)
        r = run("tools", "--config", conf)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.decode(), 'Caf\u00e9 "noir"\tInk & paper\n')
        png = os.path.join(EXAMPLES, "drawing.png")
        r = run("tool", 'Caf\u00e9 "noir"', png, "-o", self.path("out.json"), "--config", conf)
        self.assertEqual(r.returncode, 2)  # defined, but without a Default configuration
        self.assertIn(b"no configuration", r.stderr)
        with open(conf, "rb") as f:
            self.assertEqual(f.read(), text)

    def test_bad_input_is_refused_without_output(self):
        png = os.path.join(EXAMPLES, "drawing.png")
        corrupt = self.path("corrupt.xml")
        with open(corrupt, "wb") as f:
            f.write(b"<Vemora><ToolDefinitions></Vemora>")
        out = self.path("out.json")
        for args, culprit in (
                (["tool", "SPV", png, "-o", out, "--config", corrupt], b"corrupt.xml"),
                (["tools", "--config", self.path("missing.xml")], b"missing.xml"),
                (["tool", "NoSuchTool", png, "-o", out], b"NoSuchTool"),
                (["tool", "SPV", png, "-o", out, "--pick", "5000,1"], b"--pick"),
                (["tool", "SPV", png, "-o", out, "--select", "1,1,2"], b"--select"),
                (["tool", "SPV", png, "-o", out, "--scale", "0,1"], b"--scale"),
                (["tool", "ColorOutline", png, "-o", out], b"--pick")):
            r = run(*args)
            self.assertEqual(r.returncode, 2, args)
            self.assertEqual(len(r.stderr.splitlines()), 1, r.stderr)
            self.assertIn(culprit, r.stderr)
            self.assertFalse(os.path.exists(out), args)
        with open(corrupt, "rb") as f:
            self.assertEqual(f.read(), b"<Vemora><ToolDefinitions></Vemora>")

    def test_running_out_of_memory_names_the_image(self):
        def limit():
            resource.setrlimit(resource.RLIMIT_AS, (160 << 20, 160 << 20))

        if subprocess.run([VEMORA, "tools"], capture_output=True, preexec_fn=limit).returncode:
            self.skipTest("the build cannot start within a memory limit (sanitizers)")
        big = self.path("big.png")
        with open(big, "wb") as f:
            f.write(png_bytes(6000, 6000, lambda x, y: x == y))
        out = self.path("out.json")
        r = subprocess.run([VEMORA, "tool", "SPV", big, "-o", out], capture_output=True,
                           preexec_fn=limit)
        self.assertEqual(r.returncode, 2)
        self.assertEqual(r.stderr.decode().strip(),
                         "vemora: " + big + ": not enough memory for this image")
        self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
