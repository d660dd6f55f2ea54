"""satphase.sweep, generate and solve against the program: the same records,
formulas, verdicts and refusals; Ctrl-C and progress during a sweep."""

import io
import os
import signal
import subprocess
import tempfile
import threading
import time
import unittest

import numpy
import pandas

import satphase
from satphase import _native

PROGRAM = os.environ["SATPHASE_PROGRAM"]


def program(*arguments, check=True):
    return subprocess.run([PROGRAM, *arguments], capture_output=True, text=True, check=check)


def without_seconds(frame):
    return frame.drop(columns=["seconds"], errors="ignore")


class SweepTest(unittest.TestCase):
    def test_the_frame_is_the_programs_csv(self):
        cases = [
            (dict(vars=[10, 20], ratios="3:6:1", trials=21),
             ["--vars", "10,20", "--ratios", "3:6:1", "--trials", "21"]),
            (dict(vars=30, ratios=[4.2, 10.5], trials=11, model="uniform", k=4,
                  solvers=["dpll", "cdcl", "lookahead"], jobs=2),
             ["--vars", "30", "--ratios", "4.2,10.5", "--trials", "11", "--model", "uniform",
              "--k", "4", "--solver", "dpll,cdcl,lookahead"]),
            (dict(vars=40, ratios=3, trials=7, model="planted", solvers="walksat,probsat",
                  seed=99, max_flips=5000),
             ["--vars", "40", "--ratios", "3", "--trials", "7", "--model", "planted",
              "--solver", "walksat,probsat", "--seed", "99", "--max-flips", "5000"]),
            (dict(vars=20, ratios=[2, 4], trials=5, per_formula=True, model="mixed", p=0.5,
                  measures="backbone,solutions", solvers="cdcl"),
             ["--vars", "20", "--ratios", "2,4", "--trials", "5", "--per-formula", "--model",
              "mixed", "--p", "0.5", "--measure", "backbone,solutions", "--solver", "cdcl"]),
        ]
        for options, arguments in cases:
            with self.subTest(arguments=arguments):
                written = program("sweep", *arguments, "--format", "csv").stdout
                pandas.testing.assert_frame_equal(
                    without_seconds(satphase.sweep(progress=False, **options)),
                    without_seconds(pandas.read_csv(io.StringIO(written))))

    def test_refusals_carry_the_commands_message(self):
        theirs = self.enterContext(tempfile.NamedTemporaryFile("w", suffix=".csv"))
        theirs.write("someone's\n")
        theirs.flush()
        theirs = theirs.name
        cases = [  # refused by the command line, by the command, and once the sweep starts
            (satphase.sweep, dict(trials=0), ["sweep", "--trials", "0"]),
            (satphase.sweep, dict(model="classic", k=4), ["sweep", "--k", "4"]),
            (satphase.sweep, dict(vars=10, output=theirs), ["sweep", "--vars", "10", "--format",
                                                            "csv", "--output", theirs]),
            (satphase.generate, dict(vars=10, clauses=20, k=9),
             ["generate", "--vars", "10", "--clauses", "20", "--k", "9"]),
            (satphase.generate, dict(vars=10, clauses=20, model="mixed"),
             ["generate", "--vars", "10", "--clauses", "20", "--model", "mixed"]),
            (satphase.solve, dict(formula=[[1]], seed=3), ["solve", "--seed", "3", "-"]),
        ]
        for function, options, arguments in cases:
            with self.subTest(arguments=arguments):
                said = subprocess.run([PROGRAM, *arguments], input="p cnf 1 1\n1 0\n",
                                      capture_output=True, text=True)
                self.assertEqual(said.returncode, 2)
                message = said.stderr.strip().split(": ", 1)[1].split("; try 'satphase")[0]
                with self.assertRaises(ValueError) as raised:
                    function(**options)
                self.assertEqual(str(raised.exception), message)

    def test_ctrl_c_stops_within_a_second_and_keeps_the_finished_cells(self):
        slow = dict(vars=[10, 80], ratios="4:4.6:0.2", trials=301, jobs=2, progress=False)
        with tempfile.TemporaryDirectory() as scratch:
            output = os.path.join(scratch, "sweep.csv")
            os.environ["TMPDIR"] = scratch  # where a sweep without output keeps its records
            tempfile.tempdir = None
            try:
                for kept in (None, output):
                    with self.subTest(output=kept):
                        signalled = []
                        timer = threading.Timer(1.5, lambda: (signalled.append(time.monotonic()),
                                                              os.kill(os.getpid(), signal.SIGINT)))
                        timer.start()
                        with self.assertRaises(KeyboardInterrupt):
                            satphase.sweep(output=kept, **slow)
                        self.assertLess(time.monotonic() - signalled[0], 1.0)
            finally:
                del os.environ["TMPDIR"]
                tempfile.tempdir = None
            self.assertEqual(os.listdir(scratch), ["sweep.csv"])
            # The 10-variable cells, finished long before the signal, are kept.
            kept = without_seconds(pandas.read_csv(output))
            small = program("sweep", "--vars", "10", "--ratios", "4:4.6:0.2", "--trials", "301",
                            "--format", "csv").stdout
            self.assertTrue(4 <= len(kept) < 8)
            pandas.testing.assert_frame_equal(
                kept[:4], without_seconds(pandas.read_csv(io.StringIO(small))))

    def test_resume_keeps_the_records_of_finished_cells(self):
        with tempfile.TemporaryDirectory() as scratch:
            output = os.path.join(scratch, "sweep.csv")
            first = satphase.sweep(vars=20, ratios="3:5:1", trials=51, output=output,
                                   progress=False)
            # Computed again, the cells would have other times; kept, the same.
            again = satphase.sweep(vars=20, ratios="3:5:1", trials=51, output=output,
                                   resume=True, progress=False)
            pandas.testing.assert_frame_equal(again, first)
            # Nothing is left to decide, and the progress says so.
            seen = []
            _native.sweep(["sweep", "--vars=20", "--ratios=3:5:1", "--trials=51", "--resume",
                           "--format=csv", f"--output={output}"],
                          lambda done, total: seen.append((done, total)))
            self.assertEqual(seen[-1], (0, 0))

    def test_progress_counts_every_formula_and_can_stop_the_sweep(self):
        arguments = ["sweep", "--vars=50", "--ratios=4:5:0.5", "--trials=201", "--jobs=1",
                     "--format=csv", "--quiet"]
        with tempfile.TemporaryDirectory() as scratch:
            seen = []
            _native.sweep(arguments + [f"--output={scratch}/a.csv"],
                          lambda done, total: seen.append((done, total)))
            self.assertEqual(seen[-1], (603, 603))
            self.assertEqual(seen, sorted(seen))

            def refuse(done, total):
                raise ArithmeticError(f"{done} of {total}")

            with self.assertRaisesRegex(ArithmeticError, " of 603$"):
                _native.sweep(arguments + [f"--output={scratch}/b.csv"], refuse)
            self.assertLess(len(pandas.read_csv(f"{scratch}/b.csv")), 3)


def dimacs_formulas(text):
    """[variables, clause rows, start state, hidden] of each formula `generate` wrote."""
    formulas, comments = [], []
    for line in text.splitlines():
        if line.startswith("c "):
            comments.append(line)
        elif line.startswith("p cnf "):
            start = [int(c.split(": ")[1]) for c in comments if "start state" in c]
            planted = [c.split()[2:-1] for c in comments if c.startswith("c planted: ")]
            hidden = planted and [int(int(literal) > 0) for literal in planted[0]]
            formulas.append([int(line.split()[2]), [], start[0], hidden or None])
            comments = []
        else:
            formulas[-1][1].append([int(literal) for literal in line.split()[:-1]])
    return formulas


class FormulaTest(unittest.TestCase):
    def test_generate_gives_the_programs_formulas(self):
        for options in (dict(vars=12, clauses=50, count=3),
                        dict(vars=15, clauses=40, count=2, model="planted", k=4, seed=7),
                        dict(vars=10, clauses=30, count=2, model="mixed", p=0.25)):
            with self.subTest(options=options):
                arguments = [f"--{name}={value}" for name, value in options.items()]
                written = dimacs_formulas(program("generate", *arguments).stdout)
                drawn = satphase.generate(**options)
                self.assertEqual(len(drawn), options["count"])
                for formula, (variables, clauses, start, hidden) in zip(drawn, written):
                    self.assertEqual((formula.vars, formula.start_state), (variables, start))
                    padded = [clause + [0] * (formula.clauses.shape[1] - len(clause))
                              for clause in clauses]
                    self.assertEqual(formula.clauses.tolist(), padded)
                    self.assertEqual(None if formula.hidden is None else formula.hidden.tolist(),
                                     hidden)

    def test_solve_gives_the_programs_verdict_cost_and_model(self):
        formula = satphase.generate(vars=40, clauses=160, seed=12345)[0]
        with tempfile.NamedTemporaryFile("w", suffix=".cnf") as file:
            file.write(program("generate", "--vars=40", "--clauses=160", "--seed=12345").stdout)
            file.flush()
            for options in (dict(), dict(solver="dpll"), dict(solver="lookahead"),
                            dict(solver="walksat", seed=5)):
                with self.subTest(options=options):
                    said = program("solve", file.name,
                                   *[f"--{name}={value}" for name, value in options.items()],
                                   check=False).stdout.split("\n")
                    lines = {line.split()[1]: line.split()[2] for line in said
                             if line.startswith("c ") and len(line.split()) == 3}
                    values = [int(v) for line in said if line.startswith("v ")
                              for v in line.split()[1:-1]]
                    for given in (formula, file.name, formula.clauses.tolist()):
                        solution = satphase.solve(given, **options)
                        self.assertEqual(solution.satisfiable, "s SATISFIABLE" in said)
                        self.assertEqual(solution.cost, int(lines[solution.cost_unit]))
                        self.assertEqual((solution.model > 0).tolist(), [v > 0 for v in values])
                        self.assertEqual(solution.propagations,
                                         lines.get("propagations") and int(lines["propagations"]))

    def test_rows_are_checked_as_a_file_is(self):
        self.assertTrue(satphase.solve([[1, 2], [3, 4]]).satisfiable)
        self.assertTrue(satphase.solve(numpy.array([[1, -1], [2, 0]])).satisfiable)
        self.assertFalse(satphase.solve([[1], [-1]]).satisfiable)
        self.assertTrue(satphase.solve([]).satisfiable)
        self.assertFalse(satphase.solve([[0]]).satisfiable)  # the empty clause
        with self.assertRaisesRegex(ValueError, "^clauses row 0: literal 2 after the 0"):
            satphase.solve([[1, 0, 2]])
        with self.assertRaisesRegex(ValueError, "^clauses row 0: a clause of more than seven"):
            satphase.solve([[1, 2, 3, 4, 5, 6, 7, 8]])
        with self.assertRaisesRegex(ValueError, "^clauses row 1: .*variable"):
            satphase.solve(satphase.Formula(2, numpy.array([[1, 2], [3, 0]]), 1))
        with self.assertRaises(TypeError):
            satphase.solve([[1, 2.5]])


if __name__ == "__main__":
    unittest.main()
