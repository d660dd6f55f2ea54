"""Reads what `satphase sweep` writes, per cell or per formula, as CSV or JSON Lines.

The reader turns one or several files of one sweep into cells: per size and
ratio the number of formulas and of satisfiable ones, and per solver either the
cell's cost summary (per-cell input) or every formula's cost and verdict
(per-formula input). Anything it cannot use raises Refusal with one line that
names the file and, where there is one, the line.
"""

import csv
import io
import json
import math
from dataclasses import dataclass, field

MODELS = ("classic", "uniform", "planted", "2-hidden")
K_RANGE = (2, 7)
DEFAULT_MODEL, DEFAULT_K = "classic", 3
# A record without a solver column is the splitting search's, counted in steps.
DEFAULT_SOLVER, DEFAULT_UNIT = "splitting", "steps"


class Refusal(Exception):
    """Input that cannot be analysed or output that cannot be written; the message says why."""


@dataclass
class Solver:
    """One solver's cost in one cell: the median alone, or every formula's cost."""
    name: str
    unit: str
    median: float = None
    costs: list = None  # per formula, in trial order; None for per-cell input


@dataclass
class Cell:
    vars: int
    ratio: float  # as the sweep was asked for
    alpha: float  # clauses / vars of the formulas decided: the ratio below the truncation
    trials: int = 0
    sat: int = 0
    solvers: dict = field(default_factory=dict)  # name -> Solver, in order of appearance
    satisfiable: list = None  # per formula: True/False, in trial order; None for per-cell input
    where: str = ""  # the first place it was read, for messages


@dataclass
class Sweep:
    model: str
    k: int
    per_formula: bool
    cells: list  # sorted by size, then ratio


# ---------------------------------------------------------------- one file

def _records(text, name):
    """(first record's names, [(line number, dict)], sweep line or None) of CSV or JSON Lines."""
    if not text.strip():
        raise Refusal(f"{name} is empty: expected the CSV or JSON Lines that satphase sweep writes")
    lines = text.splitlines(keepends=True)
    if not lines[-1].endswith(("\n", "\r")):
        raise Refusal(f"{name} line {len(lines)}: cut off (the input ends in the middle of a line)")
    numbered = [(i + 1, line) for i, line in enumerate(lines) if line.strip()]
    head = numbered[0][1].lstrip()
    if head.startswith("Num of vars"):
        raise Refusal(f"{name} is the sweep's table; run the sweep with --format csv or "
                      "--format jsonl to analyse it")
    if head.startswith("{"):
        records, sweep_line = [], None
        for number, line in numbered:
            try:
                record = json.loads(line)
            except ValueError:
                record = None
            if not isinstance(record, dict):
                raise Refusal(f"{name} line {number}: not a JSON object")
            if number == numbered[0][0] and isinstance(record.get("sweep"), dict):
                sweep_line = record["sweep"]
            else:
                records.append((number, record))
        return (records[0][1].keys() if records else ()), records, sweep_line
    rows = csv.reader(io.StringIO("".join(lines)), strict=True)
    try:
        header = next(rows)
        records = []
        for row in rows:
            if not row:
                continue
            if len(row) != len(header):
                raise Refusal(f"{name} line {rows.line_num}: {len(row)} fields where the header "
                              f"has {len(header)}")
            records.append((rows.line_num, dict(zip(header, row))))
    except csv.Error as error:
        raise Refusal(f"{name} line {rows.line_num}: {error}") from None
    return header, records, None


def _number(record, key, where, whole=False, default=None):
    value = record.get(key, default)
    if isinstance(value, str):
        try:
            value = int(value) if whole else float(value)
        except ValueError:
            value = None
    if (isinstance(value, bool) or not isinstance(value, int if whole else (int, float))
            or not math.isfinite(value)):
        kind = "a whole number" if whole else "a number"
        raise Refusal(f"{where}: {key} is {record.get(key)!r}, not {kind}")
    return value


def _model_and_k(record, where, defaults):
    model = record.get("model", defaults[0])
    if model not in MODELS:
        raise Refusal(f"{where}: model is {model!r}, not one of {', '.join(MODELS)}")
    k = _number(record, "k", where, whole=True, default=defaults[1])
    if not K_RANGE[0] <= k <= K_RANGE[1]:
        raise Refusal(f"{where}: k is {k}, not from {K_RANGE[0]} to {K_RANGE[1]}")
    return model, k


def _verdict(record, where):
    value = record.get("satisfiable")
    if value in (True, "1", "true"):
        return True
    if value in (False, "0", "false"):
        return False
    raise Refusal(f"{where}: satisfiable is {value!r}, not 1 or 0")


def read_file(text, name):
    """(per_formula, {(model, k)}, [(where, record fields)]) of one file's records.

    Per-cell records become (vars, ratio, alpha, trials, sat, solver, unit, median);
    per-formula records (vars, ratio, alpha, trial, satisfiable, {solver: cost}).
    """
    names, records, sweep_line = _records(text, name)
    names = set(names)
    if not records:
        raise Refusal(f"{name} has a header but no records")
    defaults = (DEFAULT_MODEL, DEFAULT_K)
    if sweep_line is not None:
        defaults = _model_and_k(sweep_line, f"{name} line 1", defaults)
    per_formula = "satisfiable" in names
    cost_columns = sorted(c for c in names if c.endswith("_cost") and c not in (
        "median_cost", "q1_cost", "q3_cost", "mean_cost", "max_cost"))
    if per_formula:
        needed = ["vars", "ratio", "trial", "satisfiable"] + ([] if cost_columns else ["steps"])
    else:
        needed = ["vars", "ratio", "trials", "unsat",
                  "median_cost" if "solver" in names else "median_steps"]
    missing = [column for column in needed if column not in names]
    if missing:
        if not names & {"vars", "ratio", "cell"}:
            raise Refusal(f"{name} is not the output of satphase sweep: its first record names "
                          "none of its columns")
        raise Refusal(f"{name}: missing column{'s' if len(missing) > 1 else ''} "
                      + ", ".join(missing))

    kinds, parsed = ({defaults} if sweep_line is not None else set()), []
    for line, record in records:
        where = f"{name} line {line}"
        kinds.add(_model_and_k(record, where, defaults))
        vars_ = _number(record, "vars", where, whole=True)
        ratio = _number(record, "ratio", where)
        if vars_ < 1 or ratio <= 0:
            raise Refusal(f"{where}: vars and ratio must be positive")
        alpha = ratio
        if "clauses" in names:
            clauses = _number(record, "clauses", where, whole=True)
            if clauses != round(ratio * 1_000_000) * vars_ // 1_000_000:  # as the sweep truncates
                raise Refusal(f"{where}: {clauses} clauses are not ratio {ratio:g} "
                              f"times {vars_} variables")
            alpha = clauses / vars_
        if per_formula:
            trial = _number(record, "trial", where, whole=True)
            costs = {}
            for column in cost_columns or ["steps"]:
                cost = _number(record, column, where)
                if cost < 0:
                    raise Refusal(f"{where}: {column} is negative")
                costs[DEFAULT_SOLVER if column == "steps" else column[:-len("_cost")]] = cost
            parsed.append((where, (vars_, ratio, alpha, trial, _verdict(record, where), costs)))
        else:
            trials = _number(record, "trials", where, whole=True)
            unsat = _number(record, "unsat", where, whole=True)
            if trials < 1 or not 0 <= unsat <= trials:
                raise Refusal(f"{where}: {unsat} unsatisfiable of {trials} trials")
            solver = str(record.get("solver", DEFAULT_SOLVER))
            unit = str(record.get("cost_unit", DEFAULT_UNIT))
            median = _number(record, "median_cost" if "solver" in names else "median_steps", where)
            parsed.append((where, (vars_, ratio, alpha, trials, trials - unsat, solver, unit, median)))
    return per_formula, kinds, parsed


# ---------------------------------------------------------------- several files

def read_sweep(inputs):
    """The Sweep of [(name, text)]: one model, one k, all per cell or all per formula."""
    assert inputs
    files = [(name,) + read_file(text, name) for name, text in inputs]
    for name, _, kinds, _ in files:
        if len(kinds) > 1:
            raise Refusal(f"{name} mixes models or k: " + _kinds(kinds))
    first = files[0]
    for other in files[1:]:
        if other[2] != first[2]:
            raise Refusal(f"{first[0]} and {other[0]} hold different models or k: "
                          f"{_kinds(first[2])} and {_kinds(other[2])}")
        if other[1] != first[1]:
            raise Refusal(f"{first[0]} and {other[0]} mix per-cell and per-formula records "
                          "(sweep --per-formula): give files of one kind")
    per_formula = first[1]
    model, k = next(iter(first[2]))

    cells, seen = {}, {}
    for _, _, _, parsed in files:
        for where, fields in parsed:
            cell = cells.setdefault(fields[:2], Cell(*fields[:3], where=where))
            if per_formula:
                _add_formula(cell, where, fields[3:], seen)
            else:
                _add_summary(cell, where, fields[3:], seen)
    ordered = sorted(cells.values(), key=lambda c: (c.vars, c.ratio))
    for cell in ordered:
        if cell.solvers.keys() != ordered[0].solvers.keys():
            raise Refusal(f"{cell.where}: solvers {', '.join(cell.solvers)} where "
                          f"{ordered[0].where} has {', '.join(ordered[0].solvers)}")
    return Sweep(model, k, per_formula, ordered)


def _kinds(kinds):
    return ", ".join(f"{model} k={k}" for model, k in sorted(kinds))


def _add_summary(cell, where, fields, seen):
    trials, sat, solver, unit, median = fields
    key = (cell.vars, cell.ratio, solver)
    if key in seen:
        raise Refusal(f"{where}: a second record for {cell.vars} variables at ratio "
                      f"{cell.ratio:g} and solver {solver} (the first is {seen[key]})")
    seen[key] = where
    if cell.solvers and (trials, sat) != (cell.trials, cell.sat):
        raise Refusal(f"{where}: {trials - sat} unsatisfiable of {trials} where {cell.where} "
                      f"has {cell.trials - cell.sat} of {cell.trials} for the same cell")
    cell.trials, cell.sat = trials, sat
    cell.solvers[solver] = Solver(solver, unit, median=median)


def _add_formula(cell, where, fields, seen):
    trial, satisfiable, costs = fields
    key = (cell.vars, cell.ratio, trial)
    if key in seen:
        raise Refusal(f"{where}: a second record of trial {trial} for {cell.vars} variables "
                      f"at ratio {cell.ratio:g} (the first is {seen[key]})")
    seen[key] = where
    if cell.satisfiable is None:
        cell.satisfiable = []
        cell.solvers = {solver: Solver(solver, DEFAULT_UNIT if solver == DEFAULT_SOLVER else "cost",
                                       costs=[]) for solver in costs}
    if costs.keys() != cell.solvers.keys():
        raise Refusal(f"{where}: costs of {', '.join(costs)} where {cell.where} has "
                      f"{', '.join(cell.solvers)} for the same cell")
    cell.trials += 1
    cell.sat += satisfiable
    cell.satisfiable.append(satisfiable)
    for solver, cost in costs.items():
        cell.solvers[solver].costs.append(cost)
