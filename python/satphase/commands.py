"""The commands sweep, generate and solve as functions of a Python program.

They run in this process, through the native module built with the program
(satphase._native), and take the command's options as keyword arguments:
`sweep(vars=[10, 20], trials=101)` is `satphase sweep --vars 10,20 --trials
101`, with the same checks and the same refusals, raised as ValueError with
the command's message. A value is given as the command line would take it
(a number, a string such as "3.8:4.8:0.1", or for a list option a sequence).
The results are pandas and numpy values: a sweep's records are the DataFrame
that pandas reads from `--format csv`.
"""

import os
import tempfile
from dataclasses import dataclass


def _native():
    try:
        from satphase import _native as native
    except ImportError as error:
        raise ImportError(
            "satphase's native module is missing: build the project and put BUILD/python on "
            "PYTHONPATH, or install it (see the README, 'From Python')") from error
    return native


def _text(value):
    """A value as the command line gives it; a sequence as a comma-separated list."""
    if isinstance(value, (str, bytes)) or not hasattr(value, "__iter__"):
        return str(value)
    return ",".join(str(item) for item in value)


def _arguments(command, **options):
    """The command's arguments, each option as one --name=value (so that no
    value is read as an option), those that are None left out; True is a flag."""
    arguments = [command]
    for name, value in options.items():
        option = "--" + name.replace("_", "-")
        if value is True:
            arguments.append(option)
        elif value is not None and value is not False:
            arguments.append(f"{option}={_text(value)}")
    return arguments


def sweep(vars=None, ratios=None, trials=None, seed=None, model=None, k=None, p=None,
          solvers=None, measures=None, jobs=None, per_formula=False, max_flips=None, cb=None,
          eps=None, noise=None, output=None, resume=False, progress=True):
    """The records of `satphase sweep` with these options as a pandas DataFrame:
    the columns and values of --format csv, per cell, or per formula with
    per_formula=True. Options left None take the command's defaults; `solvers`
    and `measures` are --solver and --measure, `jobs` None uses every core.

    The records are kept in `output` (a CSV file, which resume=True continues)
    when given, else in a temporary file that is gone afterwards. A progress
    bar (tqdm) is shown unless progress=False. Ctrl-C stops the sweep within
    a second and raises KeyboardInterrupt; what is kept is `output`'s finished
    cells, nothing else.
    """
    import pandas

    arguments = _arguments("sweep", vars=vars, ratios=ratios, trials=trials, seed=seed,
                           model=model, k=k, p=p, solver=solvers, measure=measures, jobs=jobs,
                           per_formula=per_formula, max_flips=max_flips, cb=cb, eps=eps,
                           noise=noise, resume=resume, format="csv", quiet=True)
    with tempfile.TemporaryDirectory(prefix="satphase-") as scratch:
        path = os.path.join(scratch, "sweep.csv") if output is None else os.fspath(output)
        bar = _ProgressBar() if progress else None
        try:
            _native().sweep(arguments + [f"--output={path}"], bar and bar.show)
        finally:
            if bar:
                bar.close()
        return pandas.read_csv(path)


class _ProgressBar:
    """tqdm's bar of the formulas decided, in a notebook or a terminal, shown
    once the sweep knows how many it decides (a refused one shows none)."""

    def __init__(self):
        self._bar = None

    def show(self, done, total):
        if self._bar is None:
            from tqdm.auto import tqdm

            self._bar = tqdm(total=total, unit=" formulas", desc="satphase sweep")
        self._bar.update(done - self._bar.n)

    def close(self):
        if self._bar is not None:
            self._bar.close()


@dataclass
class Formula:
    """A formula of `generate`: its clauses one row each of DIMACS literals
    (int32, k wide, a shorter clause padded with 0), the stream's state it
    was drawn from (`satphase generate --seed START_STATE` draws it alone)
    and, for a planted model, the hidden assignment (int8, 1 true, 0 false)."""
    vars: int
    clauses: object  # numpy.ndarray
    start_state: int
    hidden: object = None  # numpy.ndarray or None


def generate(vars, clauses, seed=None, count=None, model=None, k=None, p=None):
    """The formulas `satphase generate` writes for these options, as Formulas:
    formula i is trial i of the sweep cell of `vars` variables and `clauses`
    clauses whose stream starts at `seed`."""
    arguments = _arguments("generate", vars=vars, clauses=clauses, seed=seed, count=count,
                           model=model, k=k, p=p)
    return [Formula(*drawn) for drawn in _native().generate(arguments)]


@dataclass
class Solution:
    """What `satphase solve` prints: the verdict (None when a local search
    found no model), a model checked against every clause (int8, 1 true, 0
    false, per variable), and the cost in the solver's unit."""
    satisfiable: object  # True, False or None
    model: object  # numpy.ndarray or None
    solver: str
    cost_unit: str
    cost: int
    seconds: float
    propagations: int = None  # dpll
    lookaheads: int = None  # lookahead
    seed: int = None  # probsat, walksat


def solve(formula, solver=None, seed=None, max_flips=None, cb=None, eps=None, noise=None):
    """Decides `formula` as `satphase solve` does: a Formula of generate(),
    rows of DIMACS literals (each ended by its first 0 or the row's end, over
    as many variables as the largest names), or the path of a DIMACS file."""
    import numpy

    arguments = _arguments("solve", solver=solver, seed=seed, max_flips=max_flips, cb=cb,
                           eps=eps, noise=noise)
    if isinstance(formula, (str, os.PathLike)):
        result = _native().solve(arguments + ["--", os.fspath(formula)])
    elif isinstance(formula, Formula):
        result = _native().solve(arguments, numpy.asarray(formula.clauses), formula.vars)
    else:
        rows = numpy.asarray(formula)
        result = _native().solve(arguments, numpy.zeros((0, 0), numpy.int64) if rows.size == 0
                                 else rows)
    return Solution(**result)
