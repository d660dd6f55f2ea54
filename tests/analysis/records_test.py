"""The one reader of sweep records behind plot and analyze: what it takes from a
sweep's files, and that every edited record merge refuses, plot and analyze
refuse too, naming the file, the line and the field."""

import json
import os
import subprocess
import tempfile
import unittest

from in_process import run_main
from satphase import analysis, plotting as plot, records
from satphase.records import Refusal

PROGRAM = os.environ.get("SATPHASE_PROGRAM")
GRID = ["--vars", "10,20", "--ratios", "3:5:1", "--trials", "11", "--quiet"]


def sweep(*extra):
    return subprocess.run([PROGRAM, "sweep", *GRID, *extra], capture_output=True, text=True,
                          check=True).stdout


def edited(line, key, raw):
    """The JSON record `line` with the value of `key` written as `raw`."""
    record = json.loads(line)
    record[key] = "@@"
    return json.dumps(record, separators=(",", ":")).replace('"@@"', raw)


@unittest.skipUnless(PROGRAM, "SATPHASE_PROGRAM names the satphase executable")
class ReaderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.cells, cls.cells_csv, cls.formulas = (
            sweep("--format", "jsonl"), sweep("--format", "csv"),
            sweep("--format", "jsonl", "--per-formula"))

    def setUp(self):
        self.directory = self.enterContext(tempfile.TemporaryDirectory())

    def write(self, name, text):
        with open(os.path.join(self.directory, name), "w") as out:
            out.write(text)
        return name

    def test_edited_records_are_refused_by_merge_plot_and_analyze(self):
        cells, formulas = self.cells.split("\n"), self.formulas.split("\n")
        for lines, key, raw, words in [  # the record on line 3 (cell 1: 10 variables, ratio 4)
                (cells, None, None, None),  # unedited: all three take it
                (cells, "median_steps", "-5000", "median_steps is '-5000', not a whole number"),
                (cells, "max_steps", "1e308", "max_steps is '1e+308', not a whole number"),
                (cells, "trials", "11.0", "trials is '11.0'"),
                (cells, "trials", "12", "trials is '12', not 11"),
                (cells, "unsat", "12", "unsat is '12', not a whole number in 0 .. 11"),
                (cells, "unsat", "0", "sat_fraction, sat_low and sat_high are not what unsat 0"),
                (cells, "sat_low", "0.5", "sat_fraction, sat_low and sat_high"),
                (cells, "q1_steps", "1000", "q1_steps, median_steps, q3_steps and max_steps"),
                (cells, "mean_steps", "1e6", "mean_steps is '1000000.0', not a mean in 0 .. max"),
                (cells, "seconds", "-1", "seconds is '-1'"),
                (cells, "seconds", "1" + "0" * 400, "seconds is '1000000000000000000000000"),
                (cells, "start_state", "0", "start_state is '0'"),
                (cells, "clauses", "41", "clauses is '41', not 40"),
                (cells, "ratio", "1e305", "ratio is '1e+305', not a ratio in (0, 100000]"),
                (cells, "ratio", "4.0000001", "ratio is '4.0000001'"),
                (cells, "vars", "1" + "0" * 301, "vars is '100000000000000000000000000000000"),
                (cells, "cell", "6", "cell is '6', not a whole number in 0 .. 5"),
                (cells, "cell", "true", "cell is 'true'"),
                (formulas, "steps", "-1", "steps is '-1'"),
                (formulas, "satisfiable", "1", "satisfiable is '1', not 1 or 0 (true or false)"),
                (formulas, "trial", "11", "trial is '11', not a whole number in 0 .. 10")]:
            with self.subTest(key=key, raw=raw):
                text = "\n".join(lines[:2] + [edited(lines[2], key, raw) if key else lines[2]]
                                 + lines[3:])
                name = self.write("edited.jsonl", text)
                merged = subprocess.run([PROGRAM, "merge", name, "--format", "jsonl"],
                                        cwd=self.directory, capture_output=True, text=True)
                self.assertEqual(merged.returncode, 1 if key else 0, merged.stderr)
                for main, extra in ((plot.main, ["-o", "out"]), (analysis.main, [])):
                    if main is plot.main and lines is formulas:
                        continue  # plot refuses per-formula input as such
                    result = run_main(main, self.directory, [name, *extra])
                    self.assertEqual(result.returncode, 1 if key else 0, result.stderr)
                    if key:
                        self.assertRegex(result.stderr, r"^satphase \w+: edited.jsonl line 3: "
                                         r"[^\n]+\n$")
                        self.assertIn(words, result.stderr)

    def test_a_mixed_sweep_reads_with_its_p_and_an_edited_p_is_refused(self):
        jsonl, csv = (sweep("--model", "mixed", "--p", "0.3", "--format", f)
                      for f in ("jsonl", "csv"))
        for text in (jsonl, csv):
            self.assertEqual({(r.model, r.k, r.p) for r in records.read_file(text, "m").records},
                             {("mixed", 3, 0.3)})
        lines, rows = jsonl.split("\n"), csv.split("\n")
        for text, words in [
                ("\n".join(lines[:2] + [edited(lines[2], "p", "0.4")] + lines[3:]),
                 "edited line 3: p is '0.4', not 0.3, as this sweep has it"),
                ("\n".join([lines[0].replace('"p":0.3', '"p":1.5')] + lines[1:]),
                 "edited line 1: the sweep line's p is '1.5', not a p from 0 to 1"),
                ("\n".join(rows[:2] + [rows[2].replace(",0.3,", ",0.4,")] + rows[3:]),
                 "edited line 3: p differs from edited line 2; a sweep has one p")]:
            with self.subTest(words=words):
                with self.assertRaises(Refusal) as refusal:
                    records.read_file(text, "edited")
                self.assertIn(words, str(refusal.exception))
                if text.startswith("{"):
                    merged = subprocess.run([PROGRAM, "merge", self.write("e.jsonl", text)],
                                            cwd=self.directory, capture_output=True, text=True)
                    self.assertEqual(merged.returncode, 1, merged.stderr)
        # analyze compares with 1 / (1 - p) up to p = 0.4, with no threshold beyond.
        self.assertEqual(
            [analysis.Sweep("mixed", 3, False, [], p).literature() for p in (0.4, 0.6)],
            [((None, None, None), 1 / 0.6), ((None, None, None), None)])

    def test_a_measured_sweep_reads_with_its_measures_and_edited_ones_are_refused(self):
        measured = ("--measure", "backbone,solutions", "--model", "uniform")
        cells, csv, formulas = (sweep("--format", f, *measured, *extra) for f, extra in
                                (("jsonl", ()), ("csv", ()), ("jsonl", ("--per-formula",))))
        read = [records.read_file(text, "m").records for text in (cells, csv, formulas)]
        self.assertEqual([(r.measured, r.spreads) for r in read[0]],
                         [(r.measured, r.spreads) for r in read[1]])
        self.assertEqual(read[0][1].measured, read[0][1].trials - read[0][1].unsat)
        self.assertEqual({(r.satisfiable, r.solutions > 0, r.backbone == 0 or r.satisfiable)
                          for r in read[2]}, {(True, True, True), (False, False, True)})
        lines, rows = cells.split("\n"), formulas.split("\n")
        unsat = next(i for i, row in enumerate(rows) if '"satisfiable":false' in row)
        for lines, at, key, raw, words in [
                (lines, 2, "measured", "0", "measured is '0', not"),
                (lines, 2, "backbone_q1", "0.99", "backbone_median, backbone_q1, backbone_q3"),
                (lines, 0, "sweep", '{"measures":["solutions","backbone"]}', "the sweep line's"),
                (rows, unsat, "solutions", "4", "0 exactly when the formula is unsatisfiable"),
                (rows, unsat, "backbone", "0.5", "(0 for an unsatisfiable formula)")]:
            with self.subTest(key=key, raw=raw):
                line = (lines[0].replace('"measures":["backbone","solutions"]',
                                         '"measures":["solutions","backbone"]')
                        if at == 0 else edited(lines[at], key, raw))
                with self.assertRaises(Refusal) as refusal:
                    records.read_file("\n".join(lines[:at] + [line] + lines[at + 1:]), "e")
                self.assertIn(words, str(refusal.exception))

    def test_what_the_reader_takes(self):
        per_cell, per_cell_csv, per_formula = (
            analysis.read_sweep([(name, text)]) for name, text in
            (("c.jsonl", self.cells), ("c.csv", self.cells_csv), ("f.jsonl", self.formulas)))
        summary = [(c.vars, c.ratio, c.alpha, c.trials, c.sat, c.solvers["splitting"].median)
                   for c in per_cell.cells]
        self.assertEqual(summary[:3], [(10, 3, 3.0, 11, 11, 24), (10, 4, 4.0, 11, 8, 65),
                                       (10, 5, 5.0, 11, 6, 63)])
        self.assertEqual(summary, [(c.vars, c.ratio, c.alpha, c.trials, c.sat,
                                    c.solvers["splitting"].median) for c in per_cell_csv.cells])
        self.assertEqual([(c.vars, c.ratio, c.trials, c.sat) for c in per_formula.cells],
                         [s[:2] + s[3:5] for s in summary])
        self.assertEqual(len(per_formula.cells[0].solvers["splitting"].costs), 11)
        # A sweep's shards read as one.
        head, *records = self.cells.split("\n")
        shards = [("a", "\n".join([head] + records[:3]) + "\n"),
                  ("b", "\n".join([head] + records[3:]))]
        self.assertEqual(len(analysis.read_sweep(shards).cells), 6)
        # Every solver, per cell and per formula, under its own unit.
        units = {"splitting": "steps", "dpll": "branches", "cdcl": "conflicts", "lookahead": "nodes"}
        for extra in ((), ("--per-formula",)):
            cell = analysis.read_sweep([("s.csv", sweep("--format", "csv", "--solver", ",".join(
                units), *extra))]).cells[0]
            self.assertEqual({s.name: s.unit for s in cell.solvers.values()}, units, extra)
        # lookahead's records as the version before wrote them, without the look-aheads.
        today = sweep("--format", "csv", "--solver", "lookahead", "--per-formula")
        older = "".join(",".join(line.split(",")[:8]) + "\n" for line in today.splitlines())
        self.assertIn(",lookahead_cost,lookahead_lookaheads\n", today)
        self.assertEqual(*([c.solvers["lookahead"].costs for c in analysis.read_sweep(
            [("s.csv", text)]).cells] for text in (today, older)))

    def test_files_that_are_no_sweep_or_do_not_go_together(self):
        head, *rows = self.cells_csv.split("\n")
        csv = lambda *lines: "\n".join(lines) + "\n"  # noqa: E731
        uniform, solvers = (subprocess.run([PROGRAM, "sweep", *GRID, *extra, "--format", "csv"],
                                           capture_output=True, text=True).stdout.split("\n")
                            for extra in (["--model", "uniform", "--k", "3"],
                                          ["--solver", "splitting,dpll"]))
        solvers[2] = solvers[2].rsplit(",", 1)[0] + ",7"  # the start state of cell 0 for dpll
        for texts, message in [
                (("",), "f0 is empty"),
                (("Num of vars : 10\n",),
                 "f0 is the sweep's table; run the sweep with --format csv"),
                ((self.cells_csv[:-1],), "f0 line 7: cut off"),
                (("a,b\n1,2\n",), "f0 is not the output of satphase sweep: line 1 names none"),
                ((csv(head.replace(",q3_steps", "")),), "f0 line 1: missing column q3_steps"),
                ((csv(head),), "f0 has a header but no records"),
                ((csv(head, rows[0].replace(",30,3,", ",30,3.0000001,")),),
                 "f0 line 2: ratio is '3.0000001', not a ratio in \\(0, 100000\\] of at most six"),
                ((csv(head, rows[0].replace(",30,3,", ",1000000,100000,")),),
                 "f0 line 2: ratio is '100000', not a ratio that gives 1 .. 100000 clauses at 10"),
                ((csv(head, rows[0][:20]),), "f0 line 2: 8 fields where the header has 16"),
                ((self.cells + '{"cell":[[1]]}\n',), "f0 line 8: missing columns"),
                ((self.cells.replace('"trials":11', '"trials":11,"trials":11', 1),),
                 "f0 line 1: a key named twice"),
                ((self.cells.replace('"per_formula":false', '"per_formula":false,"solvers":[{}]'),),
                 "f0 line 1: the sweep line's solvers is '\\[\\{\\}\\]', not a list of distinct"),
                ((self.cells, self.formulas), "f0 and f1 mix per-cell and per-formula records"),
                ((self.cells_csv, "\n".join(uniform)), "f0 and f1 hold different models or k"),
                (("\n".join(solvers),), "f0 line 3: start_state differs from f0 line 2"),
                ((self.cells_csv, self.cells_csv), "f1 line 2: a second record for 10 variables")]:
            with self.subTest(message), self.assertRaisesRegex(Refusal, "^" + message):
                analysis.read_sweep([(f"f{i}", text) for i, text in enumerate(texts)])


if __name__ == "__main__":
    unittest.main()
