"""python/satphase/plotting.py as a user meets it, through main() in this interpreter
(a closed pipe: in a process of its own): its files, its refusals, its failures."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import unittest.mock

from in_process import run_main
from satphase import plotting as plot, program

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "python", "satphase_plot.py")

plot.PROG = "satphase plot"
with open(os.path.join(HERE, "classic.csv"), "rb") as fixture:
    CLASSIC_CSV = fixture.read()
with open(os.path.join(HERE, "classic.jsonl"), "rb") as fixture:
    CLASSIC_JSONL = fixture.read()


def run(directory, *arguments, stdin=b"", stdout=None):
    return run_main(plot.main, directory, arguments, stdin, stdout)


class Directory(unittest.TestCase):
    def setUp(self):
        self.directory = self.enterContext(tempfile.TemporaryDirectory())

    def write(self, name, content):
        with open(os.path.join(self.directory, name), "wb") as out:
            out.write(content)
        return name

    def assertRefused(self, result, *words, status=1):
        self.assertEqual(result.returncode, status, result.stderr)
        self.assertRegex(result.stderr, r"^satphase plot: [^\n]+\n$")
        for word in words:
            self.assertIn(word, result.stderr)
        self.assertFalse([name for name in os.listdir(self.directory) if name != "input"])


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
        for curve, count in ((b'id="sat-curve-', 4), (b'id="median-curve-', 4), (b'id="peak-', 4),
                             (b'id="crawford-auton-', 0)):  # their fit is of the uniform model
            self.assertEqual(svg.count(curve), count, curve)
        self.assertRegex(result.stdout, r"(?m)^ +40 +4\.39 +4\.38 +4\.5 +2461$")
        self.assertRegex(result.stdout, r"(?m)^ +10 +4\.94 +5\.51 +5 +58$")

        # The same sweep as JSON Lines on standard input gives the same SVG, byte for byte.
        result = run(self.directory, "-", "--size", "640x480", "--output", "jsonl",
                     stdin=CLASSIC_JSONL)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(self.directory, "jsonl.svg"), "rb") as jsonl_svg:
            self.assertEqual(jsonl_svg.read(), svg)

    def test_error_bars_span_each_cells_own_interval_and_models_mark_their_threshold(self):
        for model, k, line, n, mark in [
                ("uniform", 4, 9.931, 10, None), ("planted", 3, 4.267, 10, None),
                ("classic", 3, 4.26, 10, None),
                ("uniform", 3, 4.267, 10, "Crawford & Auton's fit, extrapolated"),
                ("uniform", 3, 4.267, 20, "Crawford & Auton's fit (20-300 variables)")]:
            with self.subTest(model=model, k=k, n=n):
                cells = [plot.Cell(0, n, 4, 301, 0.5, 0.2, 0.9, 30, 20, 40, "1", model, k),
                         plot.Cell(1, n, 5, 301, 0.3, 0.25, 0.7, 50, 40, 60, "2", model, k)]
                figure = plot.draw(plot.by_size(cells), cells, None, plot.DEFAULT_SIZE)
                axes = figure.axes[0]
                bars = axes.containers[0].lines[2][0].get_segments()
                self.assertEqual([(x0, y0, y1) for (x0, y0), (_, y1) in bars],
                                 [(4, 0.2, 0.9), (5, 0.25, 0.7)])
                self.assertIn([line, line], [list(l.get_xdata()) for l in axes.get_lines()])
                legend = [text.get_text() for text in axes.get_legend().get_texts()]
                self.assertIn(f"ratio {line}" if model == "classic"
                              else f"uniform {k}-SAT threshold {line}", legend)
                self.assertEqual([text for text in legend if "Crawford" in text],
                                 [mark] if mark else [])
                marks = [l for l in axes.get_lines() if l.get_gid() == f"crawford-auton-{n}"]
                self.assertEqual([l.get_markerfacecolor() == "none" for l in marks],
                                 [] if mark is None else ["extrapolated" in mark])
                self.assertTrue(figure._suptitle.get_text().startswith(
                    f"Random {k}-CNF formulas" + ("" if model == "classic" else f" of the {model} model")))
                self.assertEqual(plot.report(plot.by_size(cells))[1].split()[2],
                                 {3: {10: "5.51", 20: "4.65"}[n], 4: "-"}[k])

    def test_a_mixed_sweep_marks_one_over_one_minus_p_up_to_p_0_4(self):
        for p, line in ((0.3, 1 / 0.7), (0.4, 1 / 0.6), (0.6, None)):
            with self.subTest(p=p):
                cells = [plot.Cell(0, 20, 1, 301, 0.9, 0.8, 0.95, 30, 20, 40, "1", "mixed", 3, p),
                         plot.Cell(1, 20, 2, 301, 0.3, 0.25, 0.7, 50, 40, 60, "2", "mixed", 3, p)]
                figure = plot.draw(plot.by_size(cells), cells, None, plot.DEFAULT_SIZE)
                axes = figure.axes[0]
                self.assertEqual([l.get_xdata()[0] for l in axes.get_lines()
                                  if l.get_gid() == "threshold"], [line] if line else [])
                self.assertEqual([t.get_text() for t in axes.get_legend().get_texts()
                                  if "threshold" in t.get_text()],
                                 [f"(2+p)-SAT threshold 1/(1 - p) = {line:.3g}"] if line else [])
                self.assertIn(f"(2+p)-CNF formulas, p = {p:g}", figure._suptitle.get_text())
                # Crawford and Auton's fit is of uniform 3-SAT, not of 3-literal mixed formulas.
                self.assertEqual(plot.report(plot.by_size(cells))[1].split()[2], "-")

    def test_thin_sweeps_still_plot_and_say_what_they_lack(self):
        lines = CLASSIC_CSV.splitlines(keepends=True)
        for name, rows, lacking in [("one-size", lines[:9], "only 10 variables"),
                                    ("one-ratio", lines[:1] + lines[4::8], "one ratio only")]:
            with self.subTest(name):
                result = run(self.directory, self.write(name, b"".join(rows)), "-o", name)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertIn("Could not estimate: ", result.stdout)
                self.assertIn(lacking, result.stdout)
                for extension in (".png", ".svg"):
                    self.assertTrue(os.path.getsize(os.path.join(self.directory, name + extension)))



class RefusalTest(Directory):
    def test_bad_input(self):
        header, *rows = CLASSIC_CSV.splitlines(keepends=True)
        sweep_line, record = CLASSIC_JSONL.splitlines(keepends=True)[:2]
        deep = b'{"cell":' + b"[" * 100000 + b"]" * 100000 + b"}\n"
        ratio = lambda text: sweep_line + record.replace(b'"ratio":2.0', text)  # noqa: E731
        vars = lambda text: header + rows[0].replace(b"0,10,", b"0," + text + b",", 1)  # noqa
        # The reader's other refusals, through analyze: tests/analysis/records_test.py.
        for content, words in [  # the words of the message, split at "|"
                (b"\n\n", "input is empty"), (CLASSIC_JSONL[:300], "line 2|cut off"),
                (b"cell,vars,clauses,ratio,trial,start_state,satisfiable,steps\n"
                 b"0,10,20,2,0,64540,1,5\n", "per formula"),
                (header + rows[0] + rows[1].replace(b",17,", b",many,"), "line 3|median_steps"),
                (header + rows[0] + rows[0], "line 3|a second record of cell 0"),
                (deep, "line 1|nested too deeply"), (sweep_line + deep, "line 2|nested too deeply"),
                (vars(b"9" * 5000), "line 2|vars is|not a whole number"),
                (ratio(b'"ratio":1e999'), "line 2|ratio is 'Infinity', not a finite number"),
                (ratio(b'"ratio":2.0,"model":"classic","k":4'),
                 "line 2|columns model, k that no sweep writes"),
                (header.replace(b"ratio,", b"ratio,model,k,") + rows[0].replace(b",2,", b",2,uniform,4,")
                 + rows[1].replace(b",3,", b",3,planted,4,", 1),
                 "mixes formula models: planted with k = 4, uniform with k = 4"),
        ]:
            with self.subTest(content=content[:60]):
                self.assertRefused(run(self.directory, self.write("input", content), "-o", "out"),
                                   "input", *words.split("|"))

    def test_unreadable_input_unwritable_output_and_bad_arguments(self):
        self.assertRefused(run(self.directory, "absent.csv"), "cannot read absent.csv")
        os.mkdir(os.path.join(self.directory, "input"))
        self.assertRefused(run(self.directory, "input"), "cannot read input: Is a directory")
        os.rmdir(os.path.join(self.directory, "input"))
        self.write("input", CLASSIC_CSV)
        self.assertRefused(run(self.directory, "input", "-o", "missing/out"),
                           "cannot write missing/out.png: No such file or directory")
        for prefix, words in [("od/", "od/ names a directory"), (".", ". names a directory"),
                              ("/", "/ names a directory"), (".png", "the name before them is empty")]:
            self.assertRefused(run(self.directory, "input", "-o", prefix), words)  # not od/.png
        self.assertRefused(run(self.directory, "input", "--size", "640"), "--size", status=2)
        with open("/dev/full", "w") as full:
            self.assertRefused(run(self.directory, "input", stdout=full),
                               "cannot write to standard output: No space left on device; "
                               "no file written")

    def test_an_interruption_while_writing_leaves_no_file(self):
        self.write("input", CLASSIC_CSV)
        real_draw = plot.draw

        def interrupted_draw(*arguments):
            figure = real_draw(*arguments)
            save = figure.savefig

            def savefig(out, format, **options):
                save(out, format=format, **options)
                if format == "svg":
                    raise program.Interrupted(130)
            figure.savefig = savefig
            return figure

        with unittest.mock.patch.object(plot, "draw", interrupted_draw):
            self.assertRefused(run(self.directory, "input"), "interrupted; no file written",
                               status=130)

    def test_a_closed_pipe_is_one_line_and_no_file(self):
        self.write("input", CLASSIC_CSV)
        reader, writer = os.pipe()
        os.close(reader)
        with os.fdopen(writer, "wb") as closed:
            result = subprocess.run([sys.executable, SCRIPT, "input"], cwd=self.directory,
                                    stdout=closed, stderr=subprocess.PIPE, text=True,
                                    env={**os.environ, "SATPHASE_PLOT_PROG": "satphase plot"})
        self.assertRefused(result,
                           "cannot write to standard output: Broken pipe; no file written")


if __name__ == "__main__":
    unittest.main()
