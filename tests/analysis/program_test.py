"""satphase analyze as a user runs it on sweeps the real program writes: once through
the program, otherwise through main(), which the program hands its arguments to."""

import json
import os
import resource
import signal
import subprocess
import tempfile
import time
import unittest

from satphase import analysis as satphase_analyze
from in_process import run_main

PROGRAM = os.environ.get("SATPHASE_PROGRAM")
GRID = ["--vars", "10,20,30", "--ratios", "3:6.5:0.25", "--trials", "101"]


def run(directory, *arguments, program=False):
    if program:
        return subprocess.run([PROGRAM, "analyze", *arguments], cwd=directory,
                              capture_output=True, text=True, stdin=subprocess.DEVNULL)
    return run_main(satphase_analyze.main, directory, arguments)


@unittest.skipUnless(PROGRAM, "SATPHASE_PROGRAM names the satphase executable")
class ProgramTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = tempfile.mkdtemp()
        for name, extra in (("cells.csv", ["--format", "csv"]),
                            ("formulas.jsonl", ["--per-formula", "--format", "jsonl"])):
            subprocess.run([PROGRAM, "sweep", *GRID, *extra, "--output", name], check=True,
                           cwd=cls.directory)

    def setUp(self):
        self.work = self.enterContext(tempfile.TemporaryDirectory())
        self.cells, self.formulas = (os.path.join(self.directory, name)
                                     for name in ("cells.csv", "formulas.jsonl"))

    def test_per_cell_and_per_formula_runs_agree(self):
        results = []
        for path, program in ((self.cells, True), (self.formulas, False)):
            result = run(self.work, path, "--format", "json", program=program)
            self.assertEqual((result.returncode, result.stderr), (0, ""))
            results.append(json.loads(result.stdout))
        cells, formulas = results
        for key in ("alpha_c", "alpha_c_low", "alpha_c_high", "nu", "nu_low", "nu_high",
                    "alpha_inf", "alpha_inf_low", "alpha_inf_high"):
            self.assertEqual(cells[key], formulas[key], key)
        self.assertLess(cells["alpha_inf_low"], cells["alpha_inf"])
        self.assertLess(cells["alpha_c_low"], cells["alpha_c"])
        self.assertLess(cells["nu"], cells["nu_high"])
        for size_cells, size_formulas in zip(cells["sizes"], formulas["sizes"]):
            for key in ("vars", "alpha_50", "alpha_50_low", "alpha_50_high", "width",
                        "peak_ratio", "fit_window"):
                self.assertEqual(size_cells[key], size_formulas[key], key)
            self.assertIsNone(size_cells["near_threshold"])
            low, high = (size_formulas["costs"][0][k] for k in ("peak_ratio_low", "peak_ratio_high"))
            self.assertTrue(low <= size_formulas["peak_ratio"] <= high)
            self.assertEqual(sum(size_formulas["near_threshold"]["solvers"][0][k] for k in (
                "sat_formulas", "unsat_formulas")), 101)
        self.assertEqual([s["vars"] for s in cells["sizes"]], [10, 20, 30])

    def test_figures_both_or_neither_and_the_same_each_time(self):
        svgs = []
        for name in ("a", "b"):
            result = run(self.work, self.formulas, "--output", name)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertTrue(result.stdout.endswith(f"Wrote {name}.png and {name}.svg\n"))
            with open(os.path.join(self.work, f"{name}.png"), "rb") as png:
                self.assertEqual(png.read(8), b"\x89PNG\r\n\x1a\n")
            with open(os.path.join(self.work, f"{name}.svg"), "rb") as svg:
                svgs.append(svg.read())
        self.assertEqual(svgs[0], svgs[1])
        for part in (b'id="collapse-10"', b'id="collapse-30"', b'id="collapse-fit"',
                     b'id="survival-20-sat"', b'id="survival-20-unsat"'):
            self.assertIn(part, svgs[0])

        os.mkdir(os.path.join(self.work, "c.svg"))
        two_sizes = os.path.join(self.work, "two.csv")
        with open(self.cells) as whole, open(two_sizes, "w") as out:
            out.writelines(line for line in whole if line.split(",")[1] != "30")
        for arguments, message in [
                ((self.cells, "--output", "c"), "cannot write c.svg: it is a directory"),
                ((self.cells, "--output", "a/"), "a/ names a directory"),
                ((two_sizes, "--output", "d"), "needs alpha_c and nu: nu needs three sizes "
                                               "that cross one half, the input has 2")]:
            result = run(self.work, *arguments)
            self.assertEqual(result.returncode, 1)
            self.assertRegex(result.stderr, f"^satphase analyze: [^\n]*{message}[^\n]*\n$")
        self.assertEqual(sorted(os.listdir(self.work)), ["a.png", "a.svg", "b.png", "b.svg",
                                                         "c.svg", "two.csv"])
        table = run(self.work, two_sizes).stdout
        self.assertIn("nu needs three sizes that cross one half, the input has 2", table)
        self.assertIn("2 sizes, 30 cells, 3030 formulas (per cell)", table)
        self.assertRegex(table, r"(?m)^ +20 +4\.\d{3} +4\.\d{3} - 4\.\d{3} +\d\.\d{3} "
                                r"+\d\.\d{3} - \d\.\d{3} +\d+ +\d\.\d\d$")
        self.assertIn("Not estimated: alpha_inf: alpha_inf needs three sizes", table)
        self.assertNotIn("Warning", table)  # the logistic holds inside each window

    def test_failures_are_one_line_without_a_traceback(self):
        with open(self.cells) as cells, open(os.path.join(self.work, "bad.csv"), "w") as bad:
            header, row = cells.readline(), cells.readline().split(",")
            bad.write(header + ",".join(row[:5] + ["x"] + row[6:]))
        with open(os.path.join(self.work, "latin.csv"), "wb") as latin:
            latin.write(b"vars\xe9\n")
        for arguments, status, message in [
                (("bad.csv",), 1, "bad.csv line 2: unsat is 'x', not a whole number"),
                (("missing.csv",), 1, "cannot read missing.csv: No such file"),
                (("latin.csv",), 1, "latin.csv is not the output of satphase sweep: not UTF-8"),
                (("bad.csv", "./bad.csv"), 2, "a file is named twice"),
                (("bad.csv", "--format", "xml"), 2, "argument --format: invalid choice"),
                ((), 1, "standard input is empty")]:
            result = run(self.work, *arguments)
            self.assertEqual((result.returncode, result.stdout), (status, ""), arguments)
            self.assertRegex(result.stderr, f"^satphase analyze: {message}[^\n]*\n$")
        with open("/dev/full", "w") as full:
            result = run_main(satphase_analyze.main, self.work, [self.cells], stdout=full)
        self.assertEqual((result.returncode, result.stderr), (1, "satphase analyze: cannot write "
                         "to standard output: No space left on device; no file written\n"))

    def test_endless_input_signals_and_a_script_override_starting_with_a_dash(self):
        fifo, work = os.path.join(self.work, "fifo"), os.path.realpath(self.work)
        os.mkfifo(fifo)
        with open(os.path.join(work, "-c"), "w") as script:
            script.write("import sys; print(sys.argv)\n")
        for command in ("plot", "analyze"):
            # The program itself, which the satphase binary runs: its memory is limited.
            script = os.path.join(os.path.dirname(satphase_analyze.__file__), "..",
                                  f"satphase_{command}.py")
            result = subprocess.run(["/usr/bin/python3", script, "/dev/zero"], cwd=work,
                                    timeout=60, capture_output=True, text=True,
                                    preexec_fn=_a_gigabyte)
            self.assertEqual((result.returncode, result.stderr),
                             (1, f"satphase {command}: /dev/zero: more than 64 MiB of input\n"))
            for signum, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
                process = subprocess.Popen([PROGRAM, command, fifo], cwd=work,
                                           stderr=subprocess.PIPE, text=True)
                writer = _open_once_read(fifo)  # the program waits in its read
                process.send_signal(signum)
                self.assertEqual(process.communicate(timeout=60)[1],
                                 f"satphase {command}: interrupted; no file written\n")
                self.assertEqual(process.returncode, status)
                os.close(writer)
            # An override is a file, made absolute, never an interpreter option.
            variable = f"SATPHASE_{command.upper()}_SCRIPT"
            result = subprocess.run([PROGRAM, command, 'print("INJECTED")'], cwd=work,
                                    env={**os.environ, variable: "-c"}, capture_output=True,
                                    text=True)
            self.assertEqual(result.stdout, f"['{work}/-c', 'print(\"INJECTED\")']\n")


def _a_gigabyte():
    """At most 1 GiB of memory: reading without bound fails instead of taking the machine."""
    resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))


def _open_once_read(fifo):
    """The FIFO opened for writing once a reader has opened it."""
    for _ in range(3000):
        try:
            return os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
        except OSError:  # ENXIO: no reader yet
            time.sleep(0.01)
    raise AssertionError(f"nothing opened {fifo} to read")


if __name__ == "__main__":
    unittest.main()
