"""satphase.frames as a notebook meets it, on sweeps the real program writes:
the frames pandas.read_csv gives, analyze's JSON, plot's and analyze's figures,
and the reader's refusals as ValueError."""

import json
import os
import pathlib
import subprocess
import tempfile
import unittest

import pandas
from pandas.testing import assert_frame_equal

from in_process import run_main
from satphase import analysis, frames, plotting as plot

PROGRAM = os.environ.get("SATPHASE_PROGRAM")
PROGRAM = PROGRAM and os.path.abspath(PROGRAM)
TESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
CLASSIC = os.path.join(TESTS, "plot", "classic")
GRID = ["--vars", "10,20,30", "--ratios", "3:6:0.25", "--trials", "41", "--quiet"]
# name -> the sweep's options; each is run as CSV and as JSON Lines.
SWEEPS = {"uniform": GRID + ["--model", "uniform", "--k", "4", "--solver", "dpll,cdcl"],
          "formulas": GRID + ["--per-formula"],
          "small": ["--vars", "12", "--ratios", "3,4,5,6", "--trials", "41", "--per-formula"]}


def program_json(*paths):
    """What `satphase analyze --format json` prints of these files, read."""
    return json.loads(subprocess.run([PROGRAM, "analyze", *paths, "--format", "json"],
                                     capture_output=True, check=True, text=True).stdout)


def refusal(program, directory, *paths):
    """The line `program` (analysis or plot) prints on refusing these files,
    without its name."""
    result = run_main(program.main, directory, list(paths))
    assert result.returncode == 1 and result.stderr.startswith(f"{program.PROG}: "), result.stderr
    return result.stderr[len(program.PROG) + 2:-1]


@unittest.skipUnless(PROGRAM, "SATPHASE_PROGRAM names the satphase executable")
class FramesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = cls.enterClassContext(tempfile.TemporaryDirectory())
        for name, options in SWEEPS.items():
            for form in ("csv", "jsonl"):
                cls.sweep(f"{name}.{form}", *options, "--format", form)
        for shard in ("1/2", "2/2"):
            cls.sweep(f"shard{shard[0]}.jsonl", *SWEEPS["formulas"], "--format", "jsonl",
                      "--shard", shard)

        with open(CLASSIC + ".jsonl") as jsonl, open(cls.path("lineless.jsonl"), "w") as out:
            out.writelines(jsonl.readlines()[1:])  # as without the sweep line

    @classmethod
    def sweep(cls, name, *options):
        subprocess.run([PROGRAM, "sweep", *options, "--output", name], cwd=cls.directory,
                       check=True)

    @classmethod
    def path(cls, name):
        return os.path.join(cls.directory, name)

    def test_every_format_gives_the_frame_read_csv_gives_of_the_csv(self):
        for csv, jsonl in [(CLASSIC + ".csv", CLASSIC + ".jsonl"),
                           (CLASSIC + ".csv", self.path("lineless.jsonl"))] + [
                (self.path(f"{name}.csv"), self.path(f"{name}.jsonl")) for name in SWEEPS]:
            with self.subTest(csv=os.path.basename(csv)):
                expected = pandas.read_csv(csv)
                assert_frame_equal(frames.read_sweep(csv), expected, check_exact=True)
                # Twins but for the seconds each run took.
                twin = frames.read_sweep(pathlib.Path(jsonl))
                self.assertEqual(list(twin.dtypes.items()), list(expected.dtypes.items()))
                timed = [column for column in ("seconds",) if column in expected]
                assert_frame_equal(twin.drop(columns=timed), expected.drop(columns=timed),
                                   check_exact=True)
        # C++'s shortest form (std::to_chars), as the CSV has it.
        for value, text in ((2.0, "2"), (1e5, "1e+05"), (123456.0, "123456"), (0.0001, "1e-04"),
                            (0.000995471, "0.000995471"), (-0.0, "-0"), (float("inf"), "inf"),
                            (1.2345678901234568e20, "123456789012345683968")):
            self.assertEqual(frames._shortest(value), text)

    def test_shards_read_together_are_the_whole_sweep_and_other_sweeps_follow_each_other(self):
        whole = frames.read_sweep(self.path("formulas.jsonl"))
        shards = [self.path("shard2.jsonl"), self.path("shard1.jsonl")]
        assert_frame_equal(frames.read_sweep(shards), whole, check_exact=True)
        sweeps = [self.path("small.csv"), self.path("formulas.csv")]
        assert_frame_equal(frames.read_sweep(sweeps), pandas.concat(
            [pandas.read_csv(path) for path in sweeps], ignore_index=True), check_exact=True)
        self.assertEqual(frames.analyze(frames.read_sweep(shards)).as_dict(),
                         program_json(*shards))

    def test_analyze_is_the_programs_json(self):
        for paths in ([CLASSIC + ".csv"], [CLASSIC + ".jsonl"], [self.path("uniform.csv")],
                      [self.path("formulas.csv")], [self.path("formulas.jsonl")],
                      [self.path("small.jsonl")],
                      # Two sweeps, cells numbered from 0 in each, analysed as one.
                      [self.path("small.jsonl"), self.path("formulas.csv")]):
            with self.subTest(paths=[os.path.basename(path) for path in paths]):
                expected = program_json(*paths)
                result = frames.analyze(frames.read_sweep(paths))
                self.assertEqual(result.as_dict(), expected)
                self.assertEqual((result.per_formula, result.literature.kirkpatrick_selman_nu,
                                  [size.vars for size in result.sizes]),
                                 (expected["per_formula"],
                                  expected["literature"]["kirkpatrick_selman_nu"],
                                  [size["vars"] for size in expected["sizes"]]))

    def test_bad_input_raises_the_programs_line(self):
        with open(CLASSIC + ".csv") as whole:
            header, *lines = whole.read().split("\n")
        for column, value in (("unsat", "302"), ("median_steps", "-12")):
            row = lines[0].split(",")
            row[header.split(",").index(column)] = value
            with open(self.path("edited.csv"), "w") as out:
                out.write("\n".join([header, ",".join(row)] + lines[1:]))
            for program in (analysis, plot):
                with self.subTest(column=column, program=program.PROG):
                    with self.assertRaises(ValueError) as raised:
                        frames.read_sweep(self.path("edited.csv"))
                    self.assertEqual(str(raised.exception),
                                     refusal(program, self.directory, self.path("edited.csv")))
                    self.assertIn(f"line 2: {column}", str(raised.exception))
        classic = frames.read_sweep(CLASSIC + ".csv")
        for edit, message in [
                (lambda f: f.loc.__setitem__((3, "unsat"), 302),
                 "frame line 5: unsat is '302', not a whole number in 0 .. 301"),
                (lambda f: f.loc.__setitem__((0, "median_steps"), float("nan")),
                 "frame line 2: median_steps is '', not a whole number"),
                (lambda f: f.loc.__setitem__((1, "mean_steps"), float("inf")),
                 "frame line 3: mean_steps is 'inf', not a finite number"),
                (lambda f: f.drop(columns="seconds", inplace=True), "frame line 1: missing column "
                                                                    "seconds")]:
            frame = classic.copy()
            edit(frame)
            for function in (frames.analyze, frames.plot, frames.plot_analysis):
                with self.subTest(message=message, function=function.__name__):
                    with self.assertRaises(ValueError) as raised:
                        function(frame)
                    self.assertTrue(str(raised.exception).startswith(message), raised.exception)
        for paths, message in [
                (self.path("missing.csv"), f"cannot read {self.path('missing.csv')}: No such file"),
                ([self.path("uniform.csv"), CLASSIC + ".csv"], "has other columns than"),
                ([], "no sweep to read")]:
            with self.subTest(message=message):
                with self.assertRaisesRegex(ValueError, message):
                    frames.read_sweep(paths)

    def test_figures_are_the_programs(self):
        figure = frames.plot(frames.read_sweep(CLASSIC + ".csv"), title="T", size=(640, 480))
        self.assertEqual([axes.get_title() for axes in figure.axes],
                         ["Satisfiable fraction", "Median steps"])
        self.assertEqual(len(figure.axes[1].get_lines()), 8)  # a median and a peak per size
        self.assertEqual((figure.texts[0].get_text().split("\n")[0], *figure.get_size_inches()),
                         ("T", 6.4, 4.8))
        figure = frames.plot(frames.read_sweep(self.path("uniform.jsonl")))
        self.assertEqual(sorted(line.get_gid() for line in figure.axes[1].get_lines()
                                if line.get_gid().startswith("normalised")),
                         sorted(f"normalised-{solver}-{n}" for solver in ("dpll", "cdcl")
                                for n in (10, 20, 30)))
        searches = frames.plot(frames.read_sweep(os.path.join(TESTS, "analysis",
                                                              "local-search.jsonl")))
        self.assertEqual([axes.get_title() for figure in searches for axes in figure.axes],
                         ["Satisfiable fraction", "Median steps", "Solved within the flip budget",
                          "Median flips of the formulas solved"])
        with self.assertRaisesRegex(ValueError, r"^frame holds one record per formula"):
            frames.plot(frames.read_sweep(self.path("formulas.csv")))

        for path, panels in ((self.path("formulas.jsonl"), 2), (CLASSIC + ".csv", 1)):
            figure = frames.plot_analysis(frames.read_sweep(path))
            self.assertEqual(len(figure.axes), panels, path)
            self.assertEqual(len([line for line in figure.axes[0].get_lines()
                                  if line.get_gid() == "collapse-fit"]), 1)
        self.assertEqual(len(figure.axes[0].containers), 4)  # the cells of each size
        with self.assertRaisesRegex(ValueError, "^the figure draws the data collapse, which "
                                                "needs alpha_c and nu: nu needs three sizes"):
            frames.plot_analysis(frames.read_sweep(self.path("small.csv")))


if __name__ == "__main__":
    unittest.main()
