"""Reads what `satphase sweep` writes, per cell or per formula, as CSV or JSON Lines.

The one reader of sweep records on the Python side, for `plot` and `analyze`
alike, with the checks sweep/record_reader.cpp applies for `--resume`, `--check`
and `merge`: every record has exactly the columns of a layout the sweep writes,
every integer is exact and in range, every number finite, unsat at most trials,
sat_fraction and its Wilson interval what unsat and trials give, solved_fraction
and its interval what solved gives, a complete solver's solved the satisfiable
formulas and a local search's at most those, no formula a local search solved
unsatisfiable, the sweep line naming the settings of exactly the local
searches it lists, the cost quartiles in order below the maximum and the mean
within it, the clauses the ratio times the variables as the sweep truncates
them, and, below a sweep line, each cell's size, ratio and trials those of the
sweep. Start states are only range-checked: replaying the draws is the C++
reader's. Anything else raises Refusal with one line naming the file, the line
and the field.

Reading needs only the standard library, so that bad input is refused quickly.
"""

import json
import math
import os
import re
import select
from dataclasses import dataclass, field

from satphase.program import Refusal

# A sweep's output is far smaller; more is refused as soon as it is read, as
# `solve` refuses a formula.
INPUT_LIMIT = 64 << 20
_CHUNK = 1 << 20

MODELS = ("classic", "uniform", "planted", "2-hidden", "mixed")
K_RANGE = (2, 7)
# The solvers of solver/solver_kind.h and their cost units, in its order.
SOLVER_UNITS = {"splitting": "steps", "dpll": "branches", "cdcl": "conflicts", "lookahead": "nodes",
                "probsat": "flips", "walksat": "flips"}
# The incomplete ones: they look for a model within a flip budget, and a formula
# they do not solve is unknown, never unsatisfiable.
LOCAL_SEARCHES = ("probsat", "walksat")
# The sweep line's settings of the local searches, and the searches each belongs to.
SEARCH_SETTINGS = {"max_flips": LOCAL_SEARCHES, "cb": ("probsat",), "eps": ("probsat",),
                   "noise": ("walksat",)}
_SOLVER_NAMES = ", ".join(SOLVER_UNITS)
# lookahead's look-aheads per formula: absent from the files of the version before.
LOOKAHEADS = "lookahead_lookaheads"
# The limits of a sweep's options (sweep/sweep_plan.h, formula/formula.h).
VARS_RANGE = (3, 1000)
MAX_CLAUSES = 100_000
# Local searches alone take larger formulas of every model but the classic one.
SEARCHED_VARS_RANGE = (3, 1_000_000)
SEARCHED_MAX_CLAUSES = 10_000_000
MAX_TRIALS = 1_000_000
MAX_CELLS = 1_000_000
STATE_RANGE = (1, 2_147_483_646)
LARGEST_COUNT = 2**64 - 1
# The normal quantile of the 95 % Wilson interval, as sweep/cell_summary.cpp has it.
WILSON_Z = 1.959963984540054

CELL_HEAD = ("cell", "vars", "clauses", "ratio")
MODEL_COLUMNS = ("model", "k")
CELL_TAIL = ("trials", "unsat", "sat_fraction", "sat_low", "sat_high", "median_steps", "q1_steps",
             "q3_steps", "mean_steps", "max_steps", "seconds", "start_state")
SOLVER_TAIL = ("trials", "unsat", "sat_fraction", "sat_low", "sat_high", "solver", "cost_unit",
               "median_cost", "q1_cost", "q3_cost", "mean_cost", "max_cost", "seconds",
               "start_state")
# A sweep with a local search counts the formulas each solver solved, after the
# verdicts when a complete solver decides them too, in their place when none does.
SOLVED_COLUMNS = ("solved", "solved_fraction", "solved_low", "solved_high")
FORMULA_TAIL = ("trial", "start_state", "satisfiable")
# A sweep's measures (--measure), in the order it writes them: a cell record
# ends with the formulas measured and each measure's spread, a per-formula
# record with each measure's value.
MEASURES = ("backbone", "solutions")
MEASURED = "measured"
MEASURE_SPREADS = {"backbone": ("backbone_median", "backbone_q1", "backbone_q3", "backbone_mean"),
                   "solutions": ("entropy_median", "entropy_q1", "entropy_q3", "entropy_mean")}


@dataclass
class Record:
    """One record, checked. A cell record fills the cell fields, a per-formula
    record trial, satisfiable and costs (solver -> cost, in column order)."""
    where: str  # "FILE line N", for messages
    cell: int
    vars: int
    clauses: int
    ratio: float
    model: str
    k: int
    start_state: int
    trials: int = None
    unsat: int = None
    sat_fraction: float = None
    sat_low: float = None
    sat_high: float = None
    solved: int = None  # formulas solved, of a cell record when a local search is listed
    solved_fraction: float = None  # and its 95 % interval, when a local search is listed
    solved_low: float = None
    solved_high: float = None
    solver: str = "splitting"
    unit: str = "steps"
    median: int = None
    q1: int = None
    q3: int = None
    mean: float = None
    max: int = None
    seconds: float = None
    trial: int = None
    satisfiable: bool = None  # None when no complete solver decides the formulas
    costs: dict = None
    solved_by: dict = None  # of a per-formula record: local search -> whether it found a model
    p: float = None  # the mixed model's fraction of 3-literal clauses; None for the others
    # The measures: of a per-formula record, its backbone fraction and
    # solutions; of a cell record, the formulas measured and, per measure,
    # its (median, q1, q3, mean). None when the sweep has no measures.
    backbone: float = None
    solutions: int = None
    measured: int = None
    spreads: dict = None


@dataclass
class SweepFile:
    name: str
    csv: bool  # CSV, whose numbers are text, or JSON Lines
    per_formula: bool
    solvers: tuple  # the cost columns' solvers; None for a sweep without --solver
    records: list = field(default_factory=list)
    sweep: dict = None  # the JSON Lines sweep line's object, when there is one
    decides: bool = True  # a complete solver decides the formulas: the records have verdicts
    searches: bool = False  # a local search is listed: the records count what it solved
    measures: tuple = ()  # the sweep's measures, in MEASURES order
    columns: list = None  # the records' columns, in the order the sweep writes them

    def local_searches(self):
        """The local searches whose records the file holds, in the order they first appear."""
        named = self.solvers or [r.solver for r in self.records]
        return [s for s in dict.fromkeys(named) if s in LOCAL_SEARCHES]


def sat_interval(unsat, trials):
    """(fraction, low, high): the satisfiable fraction and its 95 % Wilson interval."""
    n = float(trials)
    p = (n - unsat) / n
    z2 = WILSON_Z * WILSON_Z
    centre = (p + z2 / (2 * n)) / (1 + z2 / n)
    half = WILSON_Z * math.sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / (1 + z2 / n)
    return p, 0.0 if p == 0 else max(0.0, centre - half), 1.0 if p == 1 else min(1.0, centre + half)


def solver_kinds(solvers):
    """(decides, searches) of a sweep that lists these solvers: whether a
    complete solver gives each formula a verdict, whether a local search counts
    the formulas it solved. No list is the splitting search's sweep."""
    solvers = solvers or ("splitting",)
    return (any(s not in LOCAL_SEARCHES for s in solvers),
            any(s in LOCAL_SEARCHES for s in solvers))


def record_columns(per_formula, named_model, solvers, lookaheads=True, kinds=None, mixed=False,
                   measures=()):
    """The columns of a record, in the order the sweep writes them; without
    `lookaheads`, as the version before wrote lookahead's per-formula records.
    Cell records read without a sweep line do not name their solvers
    (`solvers` is empty): `kinds`, (decides, searches), says which columns
    they have. A mixed sweep's records have p right after k, and a sweep's
    measures end its records."""
    columns = _columns(per_formula, named_model, solvers, lookaheads, kinds, mixed)
    if per_formula:
        return columns + list(measures)
    return columns + ([MEASURED] if measures else []) + [
        column for measure in measures for column in MEASURE_SPREADS[measure]]


def _columns(per_formula, named_model, solvers, lookaheads, kinds, mixed):
    decides, searches = kinds or solver_kinds(solvers)
    columns = list(CELL_HEAD) + (list(MODEL_COLUMNS) if named_model else [])
    columns += ["p"] if mixed else []
    if not per_formula:
        if solvers is None:
            return columns + list(CELL_TAIL)
        verdicts = list(SOLVER_TAIL[1:5]) if decides else []
        return (columns + ["trials"] + verdicts + list(SOLVED_COLUMNS if searches else ())
                + list(SOLVER_TAIL[5:]))
    columns += FORMULA_TAIL if decides else FORMULA_TAIL[:2]
    if solvers is None:
        return columns + ["steps"]
    for solver in solvers:
        columns += [f"{solver}_cost"] + (["dpll_propagations"] if solver == "dpll" else [])
        columns += [LOOKAHEADS] if solver == "lookahead" and lookaheads else []
        columns += [f"{solver}_solved"] if solver in LOCAL_SEARCHES else []
    return columns


# ---------------------------------------------------------------- input

def read_input(path, stdin):
    """(name for messages, text) of the file or, for "-", of the binary stream
    `stdin`, read a chunk at a time so that a signal ends it and refused as soon
    as it passes INPUT_LIMIT."""
    name = "standard input" if path == "-" else path
    chunks, size = [], 0
    try:
        with (open(path, "rb") if path != "-" else _unclosed(stdin)) as source:
            for chunk in _chunks(source):
                size += len(chunk)
                if size > INPUT_LIMIT:
                    raise Refusal(f"{name}: more than {INPUT_LIMIT >> 20} MiB of input")
                chunks.append(chunk)
        return name, b"".join(chunks).decode("utf-8-sig")
    except OSError as error:
        raise Refusal(f"cannot read {path}: {error.strerror}") from None
    except UnicodeDecodeError:
        raise Refusal(f"{name} is not the output of satphase sweep: not UTF-8 text") from None


def _chunks(source):
    """The chunks of `source` to its end. On POSIX each read waits in select()
    for at most a quarter of a second first: Python runs a signal's handler
    only between its own steps, so a SIGINT or SIGTERM that came just before
    a read() blocked on a pipe or FIFO nobody writes would go unseen until the
    read returned, which may be never."""
    try:
        fd = source.fileno()
    except (OSError, ValueError):  # a stream in memory, which never blocks
        yield from iter(lambda: source.read(_CHUNK), b"")
        return
    while True:
        if os.name == "posix" and not select.select([fd], [], [], 0.25)[0]:
            continue
        chunk = os.read(fd, _CHUNK)
        if not chunk:
            return
        yield chunk


class _unclosed:
    """Standard input in a with statement, left open after it."""

    def __init__(self, stream):
        self.stream = stream

    def __enter__(self):
        return self.stream

    def __exit__(self, *_):
        return False


# ---------------------------------------------------------------- one file

def read_file(text, name):
    """The SweepFile of one file's text: its layout and its records, each checked."""
    if not text.strip():
        raise Refusal(f"{name} is empty: expected the CSV or JSON Lines that satphase sweep writes")
    lines = text.split("\n")
    if lines[-1]:
        raise Refusal(f"{name} line {len(lines)}: cut off (the input ends in the middle of a line)")
    numbered = [(i + 1, line[:-1] if line.endswith("\r") else line)
                for i, line in enumerate(lines[:-1]) if line.strip()]
    first_number, head = numbered[0]
    if head.lstrip().startswith("Num of vars"):
        raise Refusal(f"{name} is the sweep's table; run the sweep with --format csv or "
                      "--format jsonl")
    csv = not head.lstrip().startswith("{")
    sweep = None
    if csv:
        header = head.split(",")
        per_formula, named_model, solvers, kinds, mixed, measures = _layout(
            header, name, first_number, True)
        rows = [(number, dict(zip(header, _fields(line, len(header), f"{name} line {number}"))))
                for number, line in numbered[1:]]
    else:
        rows = [(number, _json_record(line, f"{name} line {number}")) for number, line in numbered]
        sweep = rows[0][1].get("sweep") if len(rows[0][1]) == 1 else None
        if sweep is not None:
            sweep = _sweep_line(sweep, f"{name} line {first_number}")
            per_formula, solvers = sweep["per_formula"], sweep["solvers"]
            named_model = (sweep["model"], sweep["k"]) != ("classic", 3)
            kinds, mixed = solver_kinds(solvers), sweep["model"] == "mixed"
            measures = sweep["measures"]
            rows = rows[1:]
        else:
            per_formula, named_model, solvers, kinds, mixed, measures = _layout(
                list(rows[0][1]), name, first_number, False)
    if not rows:
        raise Refusal(f"{name} has a header but no records")
    # The first record's keys say whether lookahead's look-aheads are there.
    expected = record_columns(per_formula, named_model, solvers, LOOKAHEADS in rows[0][1], kinds,
                              mixed, measures)
    result = SweepFile(name, csv, per_formula, None if solvers is None else tuple(solvers),
                       sweep=sweep, decides=kinds[0], searches=kinds[1], measures=measures,
                       columns=expected)
    seen, columns = {}, set(expected)
    for number, row in rows:
        where = f"{name} line {number}"
        if not csv and row.keys() != columns:
            raise Refusal(f"{where}: {_column_problem(list(row), expected)}")
        record = _record(_Fields(row, where, csv), per_formula, named_model, sweep, kinds)
        _measures(_Fields(row, where, csv), record, measures)
        _agree(record, seen)
        if result.records and record.p != result.records[0].p:
            raise Refusal(f"{where}: p differs from {result.records[0].where}; a sweep has "
                          "one p")
        result.records.append(record)
    return result


def _fields(line, count, where):
    fields = line.split(",")
    if len(fields) != count:
        raise Refusal(f"{where}: {len(fields)} fields where the header has {count}")
    return fields


def _json_record(line, where):
    """A JSON object with each key once and no NaN or Infinity; the fields are
    checked one by one after."""
    def once(pairs):
        keys = [key for key, _ in pairs]
        if len(set(keys)) != len(keys):
            raise Refusal(f"{where}: a key named twice")
        return dict(pairs)

    def no_constant(text):
        raise ValueError(text)

    try:
        record = json.loads(line, object_pairs_hook=once, parse_constant=no_constant)
    except RecursionError:
        raise Refusal(f"{where}: JSON nested too deeply for a record") from None
    except ValueError:
        record = None
    if not isinstance(record, dict):
        raise Refusal(f"{where}: not a JSON object")
    return record


def _layout(names, name, number, ordered):
    """(per_formula, named_model, solvers, kinds, mixed, measures) of the
    records that have these columns, in this order when `ordered` (a CSV
    header). Per-formula records of local searches alone have no verdict, but a
    <solver>_solved."""
    known = set(CELL_HEAD + MODEL_COLUMNS + ("p",) + CELL_TAIL + SOLVER_TAIL + SOLVED_COLUMNS
                + FORMULA_TAIL + ("steps",))
    measures = tuple(m for m in MEASURES if m in names or MEASURE_SPREADS[m][0] in names)
    if not any(column in known or column.endswith("_cost") for column in names):
        raise Refusal(f"{name} is not the output of satphase sweep: line {number} names none "
                      "of its columns")
    per_formula = "satisfiable" in names or any(column.endswith("_solved") for column in names)
    solvers, kinds = None, None
    if per_formula and "steps" not in names:
        solvers = [column[:-len("_cost")] for column in names if column.endswith("_cost")]
        if not solvers:
            solvers = None  # the sweep without --solver: steps is missing
        elif any(s not in SOLVER_UNITS for s in solvers) or len(set(solvers)) != len(solvers):
            raise Refusal(f"{name} line {number}: the cost columns name solvers that are not "
                          f"among {_SOLVER_NAMES}, or one twice")
    elif not per_formula and "solver" in names:
        solvers = ()
        kinds = ("unsat" in names or "solved" not in names, "solved" in names)
    named_model = "model" in names or "k" in names
    kinds = kinds or solver_kinds(solvers)
    expected = record_columns(per_formula, named_model, solvers, LOOKAHEADS in names, kinds,
                              "p" in names, measures)
    if (names != expected) if ordered else (sorted(names) != sorted(expected)):
        raise Refusal(f"{name} line {number}: {_column_problem(names, expected)}")
    return per_formula, named_model, solvers, kinds, "p" in names, measures


def _column_problem(names, expected):
    missing = [column for column in expected if column not in names]
    extra = [column for column in names if column not in expected]
    if missing:
        return f"missing column{'s' if len(missing) > 1 else ''} " + ", ".join(missing)
    if extra:
        return (f"column{'s' if len(extra) > 1 else ''} " + ", ".join(extra)
                + " that no sweep writes")
    return "the columns are not in the order the sweep writes them"


def _sweep_line(sweep, where):
    """The fields of a sweep line that the records are checked against."""
    def wrong(key, wanted):
        return Refusal(f"{where}: the sweep line's {key} is {_shown(sweep.get(key))}, not {wanted}")

    if not isinstance(sweep, dict):
        raise Refusal(f"{where}: not a sweep line: not a JSON object of the form "
                      '{"sweep":{...}}')
    allowed = ("vars", "ratios", "trials", "seed", "per_formula", "model", "k", "p", "solvers",
               *SEARCH_SETTINGS, "measures", "shard", "version", "commit")
    for key in sweep:
        if key not in allowed:
            raise Refusal(f"{where}: the sweep line has a key '{_shown(key, 40)[1:-1]}' that no "
                          "sweep writes")
    vars_, ratios = sweep.get("vars"), sweep.get("ratios")
    if not isinstance(vars_, list) or not vars_ or not all(
            _whole(v) and SEARCHED_VARS_RANGE[0] <= v <= SEARCHED_VARS_RANGE[1] for v in vars_):
        raise wrong("vars", f"a list of sizes in {SEARCHED_VARS_RANGE[0]} .. "
                            f"{SEARCHED_VARS_RANGE[1]}")
    if not isinstance(ratios, list) or not ratios or not all(
            isinstance(r, float) and _millionths(r) is not None for r in ratios):
        raise wrong("ratios", f"a list of ratios in (0, {MAX_CLAUSES}] of at most six places")
    if len(vars_) * len(ratios) > MAX_CELLS:
        raise wrong("vars", f"a list whose cells number at most {MAX_CELLS}")
    trials = sweep.get("trials")
    if not (_whole(trials) and 1 <= trials <= MAX_TRIALS):
        raise wrong("trials", f"a whole number in 1 .. {MAX_TRIALS}")
    per_formula = sweep.get("per_formula", False)
    if not isinstance(per_formula, bool):
        raise wrong("per_formula", "true or false")
    model, k = sweep.get("model", "classic"), sweep.get("k", 3)
    if ("model" in sweep) != ("k" in sweep) or _model_problem(model, k) is not None:
        raise wrong("model", "a formula model with its k")
    p = sweep.get("p")
    if ("p" in sweep) != (model == "mixed") or ("p" in sweep and _fraction(p) is None):
        raise wrong("p", "a p from 0 to 1 of at most six places, which a mixed sweep alone has")
    solvers = sweep.get("solvers")
    if solvers is not None and (not isinstance(solvers, list) or not solvers or any(
            not isinstance(s, str) or s not in SOLVER_UNITS for s in solvers)
            or len(set(solvers)) != len(solvers)):
        raise wrong("solvers", f"a list of distinct solvers among {_SOLVER_NAMES}")
    _search_settings(sweep, solvers or (), where, wrong)
    measures = sweep.get("measures", [])
    if "measures" in sweep and (not isinstance(measures, list) or not measures or any(
            not isinstance(m, str) for m in measures)
            or measures != [m for m in MEASURES if m in measures]):
        raise wrong("measures", "backbone, solutions or both in that order")
    largest = _limits(solver_kinds(solvers), model)[0][1]
    if max(vars_) > largest:
        raise wrong("vars", f"a list of sizes in {VARS_RANGE[0]} .. {largest}, the limit of "
                            "its solvers and model")
    return {"vars": vars_, "ratios": ratios, "trials": trials, "per_formula": per_formula,
            "model": model, "k": k, "p": p, "solvers": solvers, "measures": tuple(measures)}


def _search_settings(sweep, solvers, where, wrong):
    """The local searches' settings on a sweep line: those of the searches
    listed, each in the range the sweep takes, and no others."""
    for key, owners in SEARCH_SETTINGS.items():
        listed = [s for s in owners if s in solvers]
        if key in sweep and not listed:
            raise Refusal(f"{where}: the sweep line has {key}, which only a sweep with "
                          f"{' or '.join(owners)} writes")
        if listed and key not in sweep:
            raise Refusal(f"{where}: the sweep line lacks {key}, which a sweep with "
                          f"{listed[0]} writes")
        value = sweep.get(key)
        if key == "max_flips" and listed and not (_whole(value) and 0 <= value < 2**63):
            raise wrong(key, "a whole number of flips, 0 or more")
        if key != "max_flips" and listed and not (
                isinstance(value, (int, float)) and not isinstance(value, bool)
                and (0 <= value <= 1 if key == "noise" else math.isfinite(value) and value > 0)):
            raise wrong(key, "a probability" if key == "noise" else "a number above 0")


def _whole(value):
    return type(value) is int  # noqa: E721 (True and False are ints too)


def _millionths(ratio):
    """The ratio in millionths, when it is one a sweep can ask for; else None."""
    if not math.isfinite(ratio) or not 0 < ratio <= MAX_CLAUSES:
        return None
    millionths = round(ratio * 1e6)
    return millionths if millionths / 1e6 == ratio else None


def _fraction(p):
    """The mixed model's p when it is one a sweep writes: a float from 0 to 1
    of at most six places; else None."""
    if not isinstance(p, float) or not 0 <= p <= 1 or round(p * 1e6) / 1e6 != p:
        return None
    return p


def _model_problem(model, k):
    if model not in MODELS:
        return f"one of {', '.join(MODELS)}"
    if not _whole(k) or not K_RANGE[0] <= k <= K_RANGE[1] or (
            model in ("classic", "mixed") and k != 3):
        return "a k of this model"
    return None


def _shown(value, limit=40):
    """A value as a message shows it: quoted, on one short line."""
    text = value if isinstance(value, str) else json.dumps(value)
    text = text if len(text) <= limit - 2 else text[:limit - 5] + "..."
    return f"'{text}'"


_INTEGER = re.compile(r"-?[0-9]+")
_REAL = re.compile(r"-?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?")


class _Fields:
    """The columns of one record by name, each read as the type it must have."""

    def __init__(self, row, where, csv):
        self.row, self.where, self.csv = row, where, csv

    def fail(self, key, wanted):
        raise Refusal(f"{self.where}: {key} is {_shown(self.row[key])}, not {wanted}")

    def whole(self, key, low, high):
        value = self.row[key]
        if self.csv:
            value = int(value) if _INTEGER.fullmatch(value) and len(value) < 40 else None
        if not _whole(value) or not low <= value <= high:
            self.fail(key, str(low) if low == high else f"a whole number in {low} .. {high}")
        return value

    def real(self, key):
        value = self.row[key]
        if self.csv:
            value = float(value) if _REAL.fullmatch(value) else None
        elif _whole(value):
            value = float(value) if abs(value) < 10**300 else math.inf
        if not isinstance(value, float) or not math.isfinite(value):
            self.fail(key, "a finite number")
        return value

    def text(self, key, choices):
        value = self.row[key]
        if value not in choices:
            self.fail(key, "one of " + ", ".join(choices))
        return value

    def truth(self, key):
        value = self.row[key]
        if value in (("1", "0") if self.csv else (True, False)) and not _whole(value):
            return value in ("1", True)
        self.fail(key, "1 or 0 (true or false)")


def _limits(kinds, model):
    """(vars range, most clauses) of a sweep of these kinds (decides,
    searches) and model: local searches alone take larger formulas but of the
    classic model."""
    decides, searches = kinds
    if searches and not decides and model != "classic":
        return SEARCHED_VARS_RANGE, SEARCHED_MAX_CLAUSES
    return VARS_RANGE, MAX_CLAUSES


def _record(f, per_formula, named_model, sweep, kinds):
    """The checked Record of one row, of the columns kinds (decides, searches) gives."""
    decides, searches = kinds
    # The model is read below; the largest sizes any model takes are checked
    # here, and the classic model's after it.
    vars_range, max_clauses = _limits(kinds, "uniform")
    cells = len(sweep["vars"]) * len(sweep["ratios"]) if sweep else MAX_CELLS
    cell = f.whole("cell", 0, cells - 1)
    if sweep:
        expected_vars = sweep["vars"][cell // len(sweep["ratios"])]
        vars_ = f.whole("vars", expected_vars, expected_vars)
    else:
        vars_ = f.whole("vars", *vars_range)
    ratio = f.real("ratio")
    millionths = _millionths(ratio)
    if millionths is None:
        f.fail("ratio", f"a ratio in (0, {MAX_CLAUSES}] of at most six places")
    if sweep and ratio != sweep["ratios"][cell % len(sweep["ratios"])]:
        f.fail("ratio", f"{sweep['ratios'][cell % len(sweep['ratios'])]!r}, as this sweep has it")
    truncated = millionths * vars_ // 1_000_000
    if not 1 <= truncated <= max_clauses:
        f.fail("ratio", f"a ratio that gives 1 .. {max_clauses} clauses at {vars_} variables")
    clauses = f.whole("clauses", truncated, truncated)
    model, k = "classic", 3
    if named_model:
        model = f.text("model", MODELS)
        k = f.whole("k", *K_RANGE)
        if _model_problem(model, k) or (sweep and (model, k) != (sweep["model"], sweep["k"])):
            f.fail("k", f"the k of the {model} model" + (" as this sweep has it" if sweep else ""))
        if k > vars_:
            f.fail("k", f"at most the {vars_} variables")
    p = None
    if (model == "mixed") != ("p" in f.row):
        raise Refusal(f"{f.where}: " + ("a mixed record without its p" if model == "mixed"
                                        else f"a p, which the {model} model has not"))
    if model == "mixed":
        p = _fraction(f.real("p"))
        if p is None or (sweep and p != sweep["p"]):
            f.fail("p", f"{sweep['p']!r}, as this sweep has it" if sweep
                   else "a p from 0 to 1 of at most six places")
    if model == "classic" and (vars_ > VARS_RANGE[1] or clauses > MAX_CLAUSES):
        f.fail("vars", f"a size in {VARS_RANGE[0]} .. {VARS_RANGE[1]} with at most "
                       f"{MAX_CLAUSES} clauses, the classic model's limits")
    trials = sweep["trials"] if sweep else MAX_TRIALS
    record = Record(f.where, cell, vars_, clauses, ratio, model, k,
                    f.whole("start_state", *STATE_RANGE), p=p)
    if per_formula:
        record.trial = f.whole("trial", 0, trials - 1)
        record.satisfiable = f.truth("satisfiable") if decides else None
        record.costs, record.solved_by = {}, {}
        for key in f.row:
            if key == "steps" or key.endswith("_cost"):
                solver = "splitting" if key == "steps" else key[:-len("_cost")]
                record.costs[solver] = f.whole(key, 0, LARGEST_COUNT)
            elif key in ("dpll_propagations", LOOKAHEADS):
                f.whole(key, 0, LARGEST_COUNT)
            elif key.endswith("_solved"):
                record.solved_by[key[:-len("_solved")]] = f.truth(key)
                if record.solved_by[key[:-len("_solved")]] and record.satisfiable is False:
                    raise Refusal(f"{f.where}: {key} is true, but the formula is unsatisfiable")
        return record
    record.trials = f.whole("trials", trials if sweep else 1, trials)
    if decides:
        record.unsat = f.whole("unsat", 0, record.trials)
        record.sat_fraction, record.sat_low, record.sat_high = _interval(
            f, "sat", record.trials - record.unsat, record.trials, f"unsat {record.unsat}")
    if searches:
        record.solved = f.whole("solved", 0, record.trials)
        record.solved_fraction, record.solved_low, record.solved_high = _interval(
            f, "solved", record.solved, record.trials, f"solved {record.solved}")
    cost = "_steps"
    if "solver" in f.row:
        record.solver = f.text("solver", tuple(sweep["solvers"] if sweep else SOLVER_UNITS))
        record.unit = f.text("cost_unit", (SOLVER_UNITS[record.solver],))
        cost = "_cost"
    local = record.solver in LOCAL_SEARCHES
    if not (searches if local else decides):
        f.fail("solver", "a complete solver: these records have no solved column" if local
               else "a local search: these records have no unsat column")
    if searches and decides and (record.solved > record.trials - record.unsat if local
                                 else record.solved != record.trials - record.unsat):
        raise Refusal(f"{f.where}: solved is {record.solved}, but "
                      f"{record.trials - record.unsat} formulas are satisfiable")
    record.median, record.q1, record.q3, record.max = (
        f.whole(key + cost, 0, LARGEST_COUNT) for key in ("median", "q1", "q3", "max"))
    if not record.q1 <= record.median <= record.q3 <= record.max:
        raise Refusal(f"{f.where}: q1{cost}, median{cost}, q3{cost} and max{cost} are not in order")
    record.mean = f.real("mean" + cost)
    if not 0 <= record.mean <= record.max:
        f.fail("mean" + cost, f"a mean in 0 .. max{cost}")
    record.seconds = f.real("seconds")
    if record.seconds < 0:
        f.fail("seconds", "a duration of 0 or more")
    return record


def _measures(f, record, measures):
    """A record's measures: fractions (the entropy per variable is one too) in
    order, and per formula a count of solutions that is 0 exactly when the
    formula is unsatisfiable."""
    if not measures:
        return
    if record.costs is not None:
        if "backbone" in measures:
            record.backbone = f.real("backbone")
            if not 0 <= record.backbone <= 1 or (record.satisfiable is False and record.backbone):
                f.fail("backbone", "a fraction of the variables (0 for an unsatisfiable formula)")
        if "solutions" in measures:
            record.solutions = f.whole("solutions", 0, LARGEST_COUNT)
            if (record.solutions > 0) != record.satisfiable:
                f.fail("solutions", "a count that is 0 exactly when the formula is unsatisfiable")
        return
    satisfiable = record.trials - record.unsat
    record.measured = f.whole(MEASURED, satisfiable, satisfiable)
    record.spreads = {}
    for measure in measures:
        median, q1, q3, mean = (f.real(key) for key in MEASURE_SPREADS[measure])
        if not (0 <= q1 <= median <= q3 <= 1 and 0 <= mean <= 1):
            raise Refusal(f"{f.where}: {', '.join(MEASURE_SPREADS[measure])} are not fractions "
                          "in order")
        record.spreads[measure] = (median, q1, q3, mean)


def _interval(f, prefix, hits, trials, counted):
    """The fraction `prefix`_fraction and its interval, checked against `hits`
    of `trials` (as `counted` names them in a message)."""
    keys = (f"{prefix}_fraction", f"{prefix}_low", f"{prefix}_high")
    read = [f.real(key) for key in keys]
    if any(abs(value - wanted) > 1e-12 for value, wanted in
           zip(read, sat_interval(trials - hits, trials))):
        raise Refusal(f"{f.where}: {', '.join(keys[:2])} and {keys[2]} are not what "
                      f"{counted} of {trials} gives")
    return read


def _agree(record, seen):
    """The records of one cell agree on what they share; none is there twice."""
    key = (record.cell, record.trial if record.costs is not None else record.solver)
    if key in seen:
        what = f"trial {record.trial}" if record.costs is not None else f"solver {record.solver}"
        raise Refusal(f"{record.where}: a second record of cell {record.cell} and {what} "
                      f"(the first is {seen[key].where})")
    seen[key] = record
    same = seen.setdefault(("cell", record.cell), record)
    shared = ("vars", "clauses", "ratio", "model", "k", "p", "trials", "unsat") + (
        () if record.costs is not None else ("start_state",))
    if same is not record and any(getattr(record, n) != getattr(same, n) for n in shared):
        name = next(n for n in shared if getattr(record, n) != getattr(same, n))
        raise Refusal(f"{record.where}: {name} differs from {same.where}, of the same cell")
