"""Sweeps that list a local search (probsat, walksat): what the reader takes from
each of their layouts and what it refuses. local-search.jsonl and
local-search-formulas.jsonl are one seeded sweep (20 and 40 variables, ratios 4
and 4.6, 7 trials, uniform 3-SAT, --max-flips 300, cdcl,probsat,walksat), per
cell and per formula."""

import json
import os
import subprocess
import tempfile
import unittest
from dataclasses import replace

from in_process import run_main
from satphase import analysis, plotting as plot, records
from satphase.records import Refusal

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM = os.environ.get("SATPHASE_PROGRAM")
GRID = ["--vars", "20,40", "--ratios", "4,4.6", "--trials", "7", "--model", "uniform", "--k", "3",
        "--quiet"]
FLIPS = ["--max-flips", "300"]
with open(os.path.join(HERE, "local-search.jsonl")) as fixture:
    CELLS = fixture.read()
with open(os.path.join(HERE, "local-search-formulas.jsonl")) as fixture:
    FORMULAS = fixture.read()
# Per cell: (cdcl, probsat, walksat) solved of 7; probsat's and walksat's median flips.
SOLVED = [(3, 2, 3), (4, 4, 4), (6, 5, 5), (1, 0, 0)]
MEDIANS = [(31, 11), (73, 80), (72, 73), (0, 0)]


def sweep(*extra):
    return subprocess.run([PROGRAM, "sweep", *GRID, *extra], capture_output=True, text=True,
                          check=True).stdout


def edited(text, number, **values):
    """The JSON Lines `text` with the object on line `number` given `values`
    (those of a sweep line inside its "sweep"; None drops a key)."""
    lines = text.split("\n")
    record = json.loads(lines[number - 1])
    inner = record.get("sweep", record)
    inner.update(values)
    for key in [key for key, value in values.items() if value is None]:
        del inner[key]
    lines[number - 1] = json.dumps(record, separators=(",", ":"))
    return "\n".join(lines)


def solved_counts(file):
    """Per cell in order, the solved of each solver, from cell or formula records."""
    if not file.per_formula:
        return [tuple(r.solved for r in file.records if r.cell == cell)
                for cell in sorted({r.cell for r in file.records})]
    return [tuple(sum(r.solved_by[s] if s in r.solved_by else r.satisfiable
                      for r in file.records if r.cell == cell) for s in file.solvers)
            for cell in sorted({r.cell for r in file.records})]


class ReaderTest(unittest.TestCase):
    def test_the_fixtures(self):
        cells, formulas = (records.read_file(text, name) for text, name in
                           ((CELLS, "c.jsonl"), (FORMULAS, "f.jsonl")))
        self.assertEqual((cells.decides, cells.searches, cells.local_searches()),
                         (True, True, ["probsat", "walksat"]))
        self.assertEqual(solved_counts(cells), SOLVED)
        self.assertEqual(solved_counts(formulas), SOLVED)
        self.assertEqual([tuple(r.median for r in cells.records if r.cell == cell
                                and r.solver != "cdcl") for cell in range(4)], MEDIANS)

    def test_refusals(self):
        def solved(s):  # solved s of 7 with its interval, as a record writes them
            return dict(zip(records.SOLVED_COLUMNS, (s, *records.sat_interval(7 - s, 7))))

        unsat = next(i + 1 for i, line in enumerate(FORMULAS.split("\n"))
                     if '"satisfiable":false' in line)
        no_sweep_line = "\n".join(json.dumps({k: v for k, v in json.loads(line).items()
                                              if not k.startswith("solved")}) if line else ""
                                  for line in CELLS.split("\n")[1:])
        for text, message in [
                (edited(CELLS, 3, solved_low=0.1), "line 3: solved_fraction, solved_low and "
                 "solved_high are not what solved 2 of 7 gives"),
                (edited(CELLS, 3, **solved(4)), "line 3: solved is 4, but 3 formulas are "
                 "satisfiable"),
                (edited(CELLS, 2, **solved(2)), "line 2: solved is 2, but 3 formulas are "
                 "satisfiable"),  # a complete solver solves every satisfiable formula
                (edited(FORMULAS, unsat, probsat_solved=True),
                 f"line {unsat}: probsat_solved is true, but the formula is unsatisfiable"),
                (edited(CELLS, 1, solvers=["cdcl", "walksat"]),
                 "line 1: the sweep line has cb, which only a sweep with probsat writes"),
                (edited(CELLS, 1, noise=None), "line 1: the sweep line lacks noise, which a "
                 "sweep with walksat writes"),
                (edited(CELLS, 1, noise=1.5), "line 1: the sweep line's noise is '1.5', not a "
                 "probability"),
                (edited(CELLS, 1, cb=0), "line 1: the sweep line's cb is '0', not a number above"),
                (edited(CELLS, 1, max_flips=-1), "line 1: the sweep line's max_flips is '-1', not "
                 "a whole number of flips"),
                (no_sweep_line, "line 2: solver is 'probsat', not a complete solver: these "
                 "records have no solved column")]:
            with self.subTest(message), self.assertRaisesRegex(Refusal, "^f " + message):
                records.read_file(text, "f")


@unittest.skipUnless(PROGRAM, "SATPHASE_PROGRAM names the satphase executable")
class AnalyzeTest(unittest.TestCase):
    def setUp(self):
        self.directory = self.enterContext(tempfile.TemporaryDirectory())

    def run_on(self, text):
        """(status, output, error) of analyze on `text`."""
        with open(os.path.join(self.directory, "in"), "w") as out:
            out.write(text)
        result = run_main(analysis.main, self.directory, ["in"])
        return result.returncode, result.stdout, result.stderr

    def test_the_threshold_is_the_complete_solvers_alone(self):
        for text, extra in ((CELLS, []), (FORMULAS, ["--per-formula"])):
            alone = self.run_on(sweep("--solver", "cdcl", "--format", "jsonl", *extra))
            self.assertEqual(alone[0], 0, alone[2])
            self.assertEqual(self.run_on(text), alone)
        without_cdcl = "\n".join(line for line in CELLS.split("\n") if '"cdcl","cost' not in line)
        walksat = sweep("--solver", "walksat", *FLIPS, "--per-formula", "--format", "csv")
        self.assertEqual(solved_counts(records.read_file(walksat, "w")), [c[2:] for c in SOLVED])
        for text, searches in ((walksat, "walksat"), (without_cdcl, "probsat, walksat")):
            self.assertEqual(self.run_on(text), (1, "", (
                f"satphase analyze: in: lists only local searches ({searches}), which call no "
                "formula unsatisfiable; the threshold needs a complete solver\n")))


@unittest.skipUnless(PROGRAM, "SATPHASE_PROGRAM names the satphase executable")
class PlotTest(unittest.TestCase):
    def test_the_figures_and_what_is_printed(self):
        directory, printed = self.enterContext(tempfile.TemporaryDirectory()), {}
        for name, text in (("cells", CELLS), ("formulas", FORMULAS),
                           ("cdcl", sweep("--solver", "cdcl", "--format", "jsonl"))):
            with open(os.path.join(directory, name), "w") as out:
                out.write(text)
            result = run_main(plot.main, directory, [name, "-o", name])
            self.assertEqual((result.returncode, result.stderr), (0, ""))
            printed[name] = result.stdout
        self.assertEqual(sorted(os.listdir(directory)), sorted(
            ["cells", "formulas", "cdcl"] + [f"{name}.{extension}" for extension in ("png", "svg")
                                             for name in ("cdcl", "cells", "cells-local-search",
                                                          "formulas-local-search")]))
        with open(os.path.join(directory, "cells.svg"), "rb") as mixed, \
                open(os.path.join(directory, "cdcl.svg"), "rb") as alone:
            self.assertEqual(mixed.read(), alone.read())  # cdcl's figure as without the searches
        with open(os.path.join(directory, "cells-local-search.svg")) as svg:
            svg = svg.read()
        for gid in ("solved-probsat-20", "solved-walksat-40", "flips-probsat-40", "threshold"):
            self.assertIn(f'id="{gid}"', svg)
        self.assertIn("\n".join([
            "vars  local search  solved = 1/2 at ratio",
            "  20       probsat                   4.45",
            "  20       walksat                   4.30",
            "  40       probsat                   4.18",
            "  40       walksat                   4.18",
            "Wrote cells.png and cells.svg",
            "Wrote cells-local-search.png and cells-local-search.svg\n"]), printed["cells"])
        self.assertTrue(printed["formulas"].startswith("Not drawn: the satisfiable fraction"))
        os.mkdir(os.path.join(directory, "x-local-search.svg"))  # both figures or neither
        result = run_main(plot.main, directory, ["cells", "-o", "x"])
        self.assertEqual((result.returncode, result.stderr), (1, "satphase plot: cannot write "
                         "x-local-search.svg: it is a directory\n"))
        self.assertFalse(os.path.exists(os.path.join(directory, "x.png")))

    def test_per_formula_records_count_the_same_and_thin_input(self):
        # The same counts and medians as the cell records; no flips where none was solved.
        cells, formulas = (plot.search_points(records.read_file(text, "f"))
                           for text in (CELLS, FORMULAS))
        self.assertEqual(*([(p.vars, p.ratio, p.solver, p.trials, p.solved, p.median)
                            for p in points] for points in (cells, formulas)))
        self.assertEqual([p.median for p in formulas if p.solver == "probsat"], [31, 73, 72, None])
        flips = {line.get_gid(): list(line.get_ydata()) for line in
                 plot.draw_searches(formulas, None, plot.DEFAULT_SIZE).axes[1].get_lines()}
        self.assertEqual(flips["flips-probsat-40"], [72 / 40])
        self.assertEqual(flips["flips-walksat-20"], [11 / 20, 80 / 20])
        planted = plot.draw_searches([replace(p, model="planted") for p in formulas], None,
                                     plot.DEFAULT_SIZE)  # the threshold is uniform 3-SAT's
        self.assertNotIn("threshold", [line.get_gid() for line in planted.axes[0].get_lines()])
        thin = [p for p in cells if p.cell == 0] + [
            replace(p, solved_fraction=0.9) for p in cells if (p.vars, p.solver) == (40, "walksat")]
        self.assertEqual([line.split()[-1] for line in plot.search_report(thin)[2:]],
                         ["-", "-", "-", "crossed"])
        lines = FORMULAS.split("\n")[1:-1]  # no sweep line: cells are told apart by vars and ratio
        with self.assertRaisesRegex(Refusal, r"^f line 29: a second cell for 20 variables at "
                                    r"ratio 4 \(the first is on f line 1\)"):
            plot.search_points(records.read_file(
                "\n".join(lines + [lines[0].replace('"cell":0', '"cell":4')]) + "\n", "f"))

    def test_sweeps_of_local_searches_alone_join_in_one_figure(self):
        directory = self.enterContext(tempfile.TemporaryDirectory())
        large = ["--vars", "2000", "--ratios", "4", "--trials", "3", "--model", "uniform",
                 "--quiet", "--solver", "probsat", "--format", "csv"]
        for name, text in (("small", sweep("--solver", "probsat", *FLIPS, "--format", "csv")),
                           ("large", subprocess.run([PROGRAM, "sweep", *large], check=True,
                                                    capture_output=True, text=True).stdout),
                           ("cells", CELLS)):
            with open(os.path.join(directory, name), "w") as out:
                out.write(text)
        result = run_main(plot.main, directory, ["small", "large", "-o", "j"])
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertIn("\n  40       probsat                   4.18\n2000       probsat                      -\n",
                      result.stdout)  # one ratio at 2000 variables: nothing to cross
        with open(os.path.join(directory, "j-local-search.svg")) as svg:
            self.assertIn('id="flips-probsat-2000"', svg.read())
        for inputs, message in [
                (["small", "cells"], "cells: not a sweep of local searches alone"),
                (["small", "large", "small"], "small: 20 variables are in small too")]:
            result = run_main(plot.main, directory, inputs + ["-o", "k"])
            self.assertEqual(result.returncode, 1)
            self.assertTrue(result.stderr.startswith("satphase plot: " + message), result.stderr)
        # 2000 variables are a local search's size, but not the classic model's.
        with open(os.path.join(directory, "large")) as csv:
            rows = [line.split(",") for line in csv.read().split("\n") if line]
        classic = "\n".join(",".join(row[:4] + row[6:]) for row in rows) + "\n"
        self.assertEqual(records.read_file("\n".join(map(",".join, rows)) + "\n", "f")
                         .records[0].vars, 2000)
        with self.assertRaisesRegex(Refusal, "^f line 2: vars is .*the classic model's limits"):
            records.read_file(classic, "f")


if __name__ == "__main__":
    unittest.main()
