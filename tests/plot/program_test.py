"""plot/satphase_plot.py run as a user would: the files it writes and what it refuses."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "plot", "satphase_plot.py")
with open(os.path.join(HERE, "classic.csv"), "rb") as fixture:
    CLASSIC_CSV = fixture.read()
with open(os.path.join(HERE, "classic.jsonl"), "rb") as fixture:
    CLASSIC_JSONL = fixture.read()


def run(directory, *arguments, stdin=b""):
    environment = {k: v for k, v in os.environ.items() if k != "SATPHASE_PLOT_PROG"}
    return subprocess.run([sys.executable, SCRIPT, *arguments], cwd=directory, input=stdin,
                          capture_output=True, env=environment)


class Directory(unittest.TestCase):
    def setUp(self):
        self.directory = self.enterContext(tempfile.TemporaryDirectory())

    def write(self, name, content):
        with open(os.path.join(self.directory, name), "wb") as out:
            out.write(content)
        return name


class FigureTest(Directory):
    def test_classic_sweep(self):
        result = run(self.directory, self.write("sweep.csv", CLASSIC_CSV),
                     "--size", "640x480", "--output", "csv")
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(self.directory, "csv.png"), "rb") as png:
            header = png.read(24)
        self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack(">II", header[16:24]), (640, 480))
        with open(os.path.join(self.directory, "csv.svg"), "rb") as svg:
            svg = svg.read()
        for curve in (b'id="sat-curve-', b'id="median-curve-', b'id="peak-', b'id="crawford-auton-'):
            self.assertEqual(svg.count(curve), 4, curve)
        self.assertRegex(result.stdout.decode(), r"(?m)^ +40 +4\.39 +4\.38 +4\.5 +2461$")
        self.assertRegex(result.stdout.decode(), r"(?m)^ +10 +4\.94 +5\.51 +5 +58$")

        # The same sweep as JSON Lines on standard input gives the same SVG, byte for byte.
        result = run(self.directory, "-", "--size", "640x480", "--output", "jsonl",
                     stdin=CLASSIC_JSONL)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(self.directory, "jsonl.svg"), "rb") as jsonl_svg:
            self.assertEqual(jsonl_svg.read(), svg)

    def test_thin_sweeps_still_plot_and_say_what_they_lack(self):
        lines = CLASSIC_CSV.splitlines(keepends=True)
        for name, rows, lacking in [("one-size", lines[:9], "only 10 variables"),
                                    ("one-ratio", lines[:1] + lines[4::8], "one ratio only")]:
            with self.subTest(name):
                result = run(self.directory, self.write(name, b"".join(rows)), "-o", name)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn("Could not estimate: ", result.stdout.decode())
                self.assertIn(lacking, result.stdout.decode())
                for extension in (".png", ".svg"):
                    self.assertTrue(os.path.getsize(os.path.join(self.directory, name + extension)))


class RefusalTest(Directory):
    def assertRefused(self, result, *words, status=1):
        stderr = result.stderr.decode()
        self.assertEqual(result.returncode, status)
        self.assertRegex(stderr, r"^satphase plot: [^\n]+\n$")
        for word in words:
            self.assertIn(word, stderr)
        self.assertFalse([name for name in os.listdir(self.directory) if name != "input"])

    def test_bad_input(self):
        header, *rows = CLASSIC_CSV.splitlines(keepends=True)
        for content, words in [
                (b"Plotting notes\nfrom last week\n", ["not the output of satphase sweep", "line 1"]),
                (b"Num of vars : 10\n-\n", ["--format csv"]),
                (header.replace(b",q3_steps", b"") + rows[0].replace(b",18,", b","),
                 ["missing column q3_steps"]),
                (b"", ["input is empty"]),
                (b"\n\n", ["input is empty"]),
                (b"\xff\xfecell\n", ["not UTF-8"]),
                (CLASSIC_CSV[:-20], ["line 33", "cut off"]),
                (CLASSIC_JSONL[:300], ["line 2", "cut off"]),
                (b"cell,vars,clauses,ratio,trial,start_state,satisfiable,steps\n"
                 b"0,10,20,2,0,64540,1,5\n", ["per formula"]),
                (header + rows[0] + rows[1].replace(b",17,", b",many,"), ["line 3", "median_steps"]),
                (header + rows[0] + rows[1][:40] + b"\n", ["line 3", "fields"]),
                (header + rows[0] + rows[0], ["line 3", "second cell"]),
        ]:
            with self.subTest(content=content[:60]):
                self.assertRefused(run(self.directory, self.write("input", content), "-o", "out"),
                                   "input", *words)

    def test_unreadable_input_unwritable_output_and_bad_arguments(self):
        self.assertRefused(run(self.directory, "absent.csv"), "cannot read absent.csv")
        self.write("input", CLASSIC_CSV)
        self.assertRefused(run(self.directory, "input", "-o", "missing/out"),
                           "cannot write missing/out.png")
        self.assertRefused(run(self.directory, "input", "--size", "640"), "--size", status=2)


if __name__ == "__main__":
    unittest.main()
