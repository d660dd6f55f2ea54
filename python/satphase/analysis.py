"""Where exactly is the threshold? Statistics of the output of `satphase sweep`.

Run as `satphase analyze` (python/satphase_analyze.py), which passes its
arguments through; `--help` says what it reads, prints and draws. Needs numpy
and scipy (Debian's python3-numpy, python3-scipy); matplotlib only when a
figure is asked for. Reading needs only the standard library: bad input is
refused before numpy and scipy are loaded (analyse imports them).
"""

import argparse
import json
import os
import sys
import warnings
from dataclasses import dataclass, field

from satphase import figures, program, records
from satphase.estimates import UNIFORM_THRESHOLDS, mixed_threshold
from satphase.program import Refusal

PROG = os.environ.get("SATPHASE_ANALYZE_PROG", "satphase analyze")

# Kirkpatrick and Selman, Science 264 (1994): (alpha_c, nu, error of nu); None where not given.
KIRKPATRICK_SELMAN = {3: (4.17, 1.5, 0.1), 4: (None, 1.25, None), 5: (None, 1.1, None)}
# Crawford and Auton, Artificial Intelligence 81 (1996): their fit's limit for uniform 3-SAT.
CRAWFORD_AUTON = {("uniform", 3): 4.258}


# A record without a solver column is the splitting search's, counted in steps.
# The threshold is where the complete solvers' verdicts change: the records of
# a local search, which calls no formula unsatisfiable, are left out.


# ---------------------------------------------------------------- reading

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
    p: float = None  # the mixed model's

    def named(self):
        """The model and k, and a mixed sweep's p, as the table names them."""
        return f"{self.model} model, k = {self.k}" + (
            f", p = {self.p:g}" if self.p is not None else "")

    def literature(self):
        """(Kirkpatrick and Selman's (alpha_c, nu, nu's error), the asymptotic
        threshold): uniform k-SAT's, and for a mixed sweep 1 / (1 - p) up to
        p = 0.4 and nothing else."""
        if self.model == "mixed":
            return (None, None, None), mixed_threshold(self.p)
        return KIRKPATRICK_SELMAN.get(self.k, (None, None, None)), UNIFORM_THRESHOLDS[self.k]


def read_sweep(inputs):
    """The Sweep of [(name, text)]: one model, one k, all per cell or all per formula,
    each file with a complete solver's verdicts."""
    assert inputs
    files = [records.read_file(text, name) for name, text in inputs]
    for file in files:
        if not file.decides or not file.per_formula and all(
                r.solver in records.LOCAL_SEARCHES for r in file.records):
            raise Refusal(f"{file.name}: lists only local searches "
                          f"({', '.join(file.local_searches())}), which call no formula "
                          "unsatisfiable; the threshold needs a complete solver")
    kinds = [{(r.model, r.k, r.p) for r in file.records} for file in files]
    for file, kind in zip(files, kinds):
        if len(kind) > 1:
            raise Refusal(f"{file.name} mixes models or k: " + _kinds(kind))
    for file, kind in zip(files[1:], kinds[1:]):
        if kind != kinds[0]:
            raise Refusal(f"{files[0].name} and {file.name} hold different models or k: "
                          f"{_kinds(kinds[0])} and {_kinds(kind)}")
        if file.per_formula != files[0].per_formula:
            raise Refusal(f"{files[0].name} and {file.name} mix per-cell and per-formula records "
                          "(sweep --per-formula): give files of one kind")
    per_formula = files[0].per_formula
    model, k, p = next(iter(kinds[0]))

    cells, seen = {}, {}
    for file in files:
        # A CSV's costs read as reals, as they always have here.
        cost = float if file.csv else int
        for r in file.records:
            if r.solver in records.LOCAL_SEARCHES:
                continue
            cell = cells.setdefault((r.vars, r.ratio),
                                    Cell(r.vars, r.ratio, r.clauses / r.vars, where=r.where))
            if per_formula:
                costs = {solver: cost(value) for solver, value in sorted(r.costs.items())
                         if solver not in records.LOCAL_SEARCHES}
                _add_formula(cell, r.where, (r.trial, r.satisfiable, costs), seen)
            else:
                _add_summary(cell, r.where, (r.trials, r.trials - r.unsat, r.solver, r.unit,
                                             cost(r.median)), seen)
    ordered = sorted(cells.values(), key=lambda c: (c.vars, c.ratio))
    for cell in ordered:
        if cell.solvers.keys() != ordered[0].solvers.keys():
            raise Refusal(f"{cell.where}: solvers {', '.join(cell.solvers)} where "
                          f"{ordered[0].where} has {', '.join(ordered[0].solvers)}")
    return Sweep(model, k, per_formula, ordered, p)


def _kinds(kinds):
    return ", ".join(f"{model} k={k}" + ("" if p is None else f" p={p:g}")
                     for model, k, p in sorted(kinds))


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
        cell.solvers = {solver: Solver(solver, records.SOLVER_UNITS[solver], costs=[])
                        for solver in costs}
    if costs.keys() != cell.solvers.keys():
        raise Refusal(f"{where}: costs of {', '.join(costs)} where {cell.where} has "
                      f"{', '.join(cell.solvers)} for the same cell")
    cell.trials += 1
    cell.sat += satisfiable
    cell.satisfiable.append(satisfiable)
    for solver, cost in costs.items():
        cell.solvers[solver].costs.append(cost)


# ---------------------------------------------------------------- estimates

@dataclass
class SizeResult:
    fit: object  # threshold_fits.SizeFit
    cells: list
    peaks: list  # cost_measures.Peak per solver
    near: object = None  # the cell nearest alpha_50, per-formula input only
    tails: dict = None  # solver -> (sat Tail, unsat Tail) of that cell


@dataclass
class Analysis:
    sweep: object
    sizes: list
    scaling: object = None  # threshold_fits.ScalingFit
    scaling_lacking: str = None  # why there is no scaling fit
    limit: object = None  # threshold_fits.LimitFit
    limit_lacking: str = None  # why there is no alpha_inf


def analyse(sweep):
    """Every estimate of the sweep: per size, the scaling of all sizes, and the cost."""
    try:
        from satphase import cost_measures, threshold_fits
    except ImportError:
        raise Refusal(f"{sys.executable} has no numpy or scipy; install the Debian packages "
                      "python3-numpy and python3-scipy") from None
    sizes = []
    for n in sorted({cell.vars for cell in sweep.cells}):
        cells = [cell for cell in sweep.cells if cell.vars == n]
        fit = threshold_fits.fit_size(n, [c.alpha for c in cells], [c.sat for c in cells],
                                      [c.trials for c in cells])
        result = SizeResult(fit, cells, [cost_measures.peak(cells, s) for s in cells[0].solvers])
        if sweep.per_formula and fit.alpha_50 is not None:
            result.near = cost_measures.nearest_cell(cells, fit.alpha_50)
            result.tails = {s: cost_measures.tails(result.near, s) for s in result.near.solvers}
        sizes.append(result)
    scaling = threshold_fits.fit_scaling([size.fit for size in sizes],
                                         [(c.vars, c.alpha, c.sat, c.trials) for c in sweep.cells])
    limit = threshold_fits.fit_limit([size.fit for size in sizes], scaling)
    analysis = Analysis(sweep, sizes)
    if isinstance(scaling, str):
        analysis.scaling_lacking = scaling
    else:
        analysis.scaling = scaling
    if isinstance(limit, str):
        analysis.limit_lacking = limit
    else:
        analysis.limit = limit
    return analysis


def lacking(analysis):
    """Lines naming what the input is too thin to estimate."""
    lines = [f"Not estimated: alpha_50 for {size.fit.vars} variables: {size.fit.lacking}"
             for size in analysis.sizes if size.fit.lacking]
    if analysis.scaling is None:
        lines.append(f"Not estimated: alpha_c and nu: {analysis.scaling_lacking}")
    if analysis.limit is None:
        lines.append(f"Not estimated: alpha_inf: {analysis.limit_lacking}")
    if not analysis.sweep.per_formula:
        lines.append("Not estimated: the peak's interval and the cost tails: they need one "
                     "record per formula (sweep --per-formula)")
    return lines


# ---------------------------------------------------------------- the table

def _ratio(value, digits=3):
    return "-" if value is None else f"{value:.{digits}f}"


def _interval(low, high, digits=3):
    if low is None and high is None:
        return "-"
    return f"{'open' if low is None else f'{low:.{digits}f}'} - " \
           f"{'open' if high is None else f'{high:.{digits}f}'}"


def _columns(header, rows):
    widths = [max(len(row[i]) for row in [header] + rows) for i in range(len(header))]
    return ["  ".join(f"{field:>{width}}" for field, width in zip(row, widths)).rstrip()
            for row in [header] + rows]


def table(analysis):
    sweep = analysis.sweep
    formulas = sum(cell.trials for cell in sweep.cells)
    lines = [f"{sweep.named()}: {len(analysis.sizes)} sizes, "
             f"{len(sweep.cells)} cells, {formulas} formulas "
             f"({'per formula' if sweep.per_formula else 'per cell'})", "",
             "Where the satisfiable fraction is one half (logistic fit of each size's counts "
             "in its window, the cells fitted at 20 % to 80 % satisfiable; 95 % "
             "profile-likelihood interval widened by D/df above 1)"]
    lines += _columns(("vars", "alpha_50", "95 % interval", "width 90-10 %", "window", "cells",
                       "D/df"), [
        (str(s.fit.vars), _ratio(s.fit.alpha_50), _interval(s.fit.alpha_50_low, s.fit.alpha_50_high),
         _ratio(s.fit.width), _interval(*(s.fit.window or (None, None))[:2]),
         str(s.fit.window[2]) if s.fit.window else "-", _ratio(s.fit.dispersion, 2))
        for s in analysis.sizes])
    lines += [f"Warning: at {s.fit.vars} variables the logistic does not fit inside the window "
              f"(D = {s.fit.deviance:.1f} on {s.fit.degrees} degrees of freedom, "
              f"p = {s.fit.p_value:.2g}): alpha_50 leans on the shape assumed"
              for s in analysis.sizes if s.fit.poor]

    (ks_alpha, ks_nu, ks_error), asymptotic = sweep.literature()
    lines += ["", "All sizes on one curve: sat = 1 / (1 + exp(b (y - y0))), "
              "y = (alpha - alpha_c) / alpha_c * n^(1/nu)"]
    fit = analysis.scaling
    rows = [("alpha_c", _ratio(fit and fit.alpha_c), _interval(*(
                (fit.alpha_c_low, fit.alpha_c_high) if fit else (None, None))),
             _ratio(ks_alpha, 2), _ratio(asymptotic)),
            ("nu", _ratio(fit and fit.nu, 2), _interval(*(
                (fit.nu_low, fit.nu_high) if fit else (None, None)), digits=2),
             "-" if ks_nu is None else f"{ks_nu:g}" + (f" +- {ks_error:g}" if ks_error else ""),
             "")]
    lines += _columns(("", "fit", "95 % interval", "Kirkpatrick-Selman", "asymptotic"), rows)
    if fit:
        crossing = float(fit.sat_fraction(0.0))
        lines.append(f"b = {fit.b:.3f}, y0 = {fit.y0:.3f}: at alpha_c {100 * crossing:.0f} % "
                     "of the formulas are satisfiable, whatever the size")
        if fit.p_value is not None:
            verdict = ("the shape fits" if fit.dispersion == 1 else
                       f"the intervals are widened by D/df = {fit.dispersion:.2f}")
            lines.append(f"deviance D = {fit.deviance:.1f} on {fit.degrees} degrees of freedom "
                         f"(p = {fit.p_value:.2g}): {verdict}")

    limit = analysis.limit
    lines += ["", "Where alpha_50(n) goes: alpha_50(n) = alpha_inf + a n^(-1/nu), nu from the "
              "joint fit, weighted by the intervals above"]
    lines += _columns(("", "fit", "95 % interval", "Crawford-Auton", "asymptotic"), [
        ("alpha_inf", _ratio(limit and limit.alpha_inf),
         _interval(*((limit.alpha_inf_low, limit.alpha_inf_high) if limit else (None, None))),
         _ratio(CRAWFORD_AUTON.get((sweep.model, sweep.k)), 3),
         _ratio(asymptotic))])
    if limit:
        lines.append(f"a = {limit.a:.3f}, nu = {limit.nu:.2f}, {limit.sizes} sizes, chi2 = "
                     f"{limit.chi2:.2f} on {limit.sizes - 2} degrees of freedom; the interval "
                     "spans nu's")

    lines += ["", "Cost: the highest median per size and solver (95 % bootstrap interval of its "
              "ratio over formulas)"]
    rows = []
    for size in analysis.sizes:
        for peak in size.peaks:
            distance = (None if size.fit.alpha_50 is None else peak.ratio - size.fit.alpha_50)
            rows.append((str(size.fit.vars), peak.solver, f"{peak.median:.10g} {peak.unit}",
                         _ratio(peak.ratio) + (" (grid edge)" if peak.at_edge else ""),
                         _interval(peak.low, peak.high, 2),
                         "-" if distance is None else f"{distance:+.3f}"))
    lines += _columns(("vars", "solver", "highest median", "at ratio", "95 % interval",
                       "minus alpha_50"), rows)

    near = [size for size in analysis.sizes if size.near is not None]
    if near:
        lines += ["", "Near the threshold (the cell nearest alpha_50): mean over median cost"]
        rows = []
        for size in near:
            for solver, (sat, unsat) in size.tails.items():
                rows.append((str(size.fit.vars), _ratio(size.near.alpha), solver,
                             str(sat.formulas), _ratio(sat.mean_to_median, 2),
                             str(unsat.formulas), _ratio(unsat.mean_to_median, 2)))
        lines += _columns(("vars", "ratio", "solver", "sat", "mean/median", "unsat",
                           "mean/median"), rows)
    notes = lacking(analysis)
    return lines + ([""] + notes if notes else [])


# ---------------------------------------------------------------- JSON

def _rounded(value, digits=6):
    return None if value is None else float(f"{value:.{digits}g}")


def as_json(analysis):
    sweep, fit = analysis.sweep, analysis.scaling
    (ks_alpha, ks_nu, ks_error), asymptotic = sweep.literature()
    result = {"model": sweep.model, "k": sweep.k, **({} if sweep.p is None else {"p": sweep.p}),
              "per_formula": sweep.per_formula,
              "cells": len(sweep.cells), "formulas": sum(c.trials for c in sweep.cells)}
    for key in ("alpha_c", "alpha_c_low", "alpha_c_high", "nu", "nu_low", "nu_high"):
        result[key] = _rounded(getattr(fit, key)) if fit else None
    result["scaling"] = fit and {
        "b": _rounded(fit.b), "y0": _rounded(fit.y0),
        "sat_fraction_at_alpha_c": _rounded(float(fit.sat_fraction(0.0))),
        "deviance": _rounded(fit.deviance), "degrees_of_freedom": fit.degrees,
        "p_value": _rounded(fit.p_value), "dispersion": _rounded(fit.dispersion)}
    limit = analysis.limit
    for key in ("alpha_inf", "alpha_inf_low", "alpha_inf_high"):
        result[key] = _rounded(getattr(limit, key)) if limit else None
    result["literature"] = {"kirkpatrick_selman_alpha_c": ks_alpha,
                            "kirkpatrick_selman_nu": ks_nu,
                            "kirkpatrick_selman_nu_error": ks_error,
                            "asymptotic_threshold": None if asymptotic is None
                            else float(asymptotic),
                            "crawford_auton_alpha": CRAWFORD_AUTON.get((sweep.model, sweep.k))}
    result["sizes"] = [_size_json(size) for size in analysis.sizes]
    result["not_estimated"] = lacking(analysis)
    return result


def _size_json(size):
    fit = size.fit
    costs = [{"solver": peak.solver, "cost_unit": peak.unit, "peak_ratio": peak.ratio,
              "peak_median": peak.median, "peak_ratio_low": peak.low,
              "peak_ratio_high": peak.high, "peak_at_grid_edge": peak.at_edge,
              "peak_minus_alpha_50": None if fit.alpha_50 is None
              else _rounded(peak.ratio - fit.alpha_50)} for peak in size.peaks]
    near = size.near and {"ratio": size.near.alpha, "solvers": [
        {"solver": solver, "sat_formulas": sat.formulas,
         "sat_mean_to_median": _rounded(sat.mean_to_median), "unsat_formulas": unsat.formulas,
         "unsat_mean_to_median": _rounded(unsat.mean_to_median)}
        for solver, (sat, unsat) in size.tails.items()]}
    return {"vars": fit.vars, "alpha_50": _rounded(fit.alpha_50),
            "alpha_50_low": _rounded(fit.alpha_50_low), "alpha_50_high": _rounded(fit.alpha_50_high),
            "width": _rounded(fit.width), "dispersion": _rounded(fit.dispersion),
            "fit_window": fit.window and {"low": _rounded(fit.window[0]),
                                          "high": _rounded(fit.window[1]), "cells": fit.window[2],
                                          "deviance": _rounded(fit.deviance),
                                          "degrees_of_freedom": fit.degrees,
                                          "p_value": _rounded(fit.p_value), "poor": fit.poor},
            "peak_ratio": size.peaks[0].ratio,
            "not_estimated": fit.lacking, "costs": costs, "near_threshold": near}


# ---------------------------------------------------------------- command line

class _Parser(argparse.ArgumentParser):
    def error(self, message):
        self.exit(2, f"{self.prog}: {message} (see --help)\n")


def parse_arguments(argv):
    parser = _Parser(
        prog=PROG, formatter_class=argparse.RawDescriptionHelpFormatter,
        description="""\
Estimates where the satisfiable fraction of random k-CNF formulas falls
through one half, from the results of satphase sweep:
  - per size n, alpha_50(n) from a maximum-likelihood logistic fit of the
    cells' satisfiable counts against the ratio, refitted on the cells
    fitted at 20 % to 80 % satisfiable (at least five) until that window
    is stable, with its 95 % profile-likelihood interval, the ratio span
    from 90 % to 10 % satisfiable, the window and a warning where the
    logistic does not fit inside it;
  - with three sizes or more, alpha_c and nu fitted jointly to every cell,
    the satisfiable fraction a logistic function of
    y = (alpha - alpha_c) / alpha_c * n^(1/nu), with 95 % profile-likelihood
    intervals, beside Kirkpatrick and Selman's values and the asymptotic
    threshold for the input's k (of a mixed sweep, 1 / (1 - p) up to
    p = 0.4, and none beyond);
  - then alpha_inf from alpha_50(n) = alpha_inf + a n^(-1/nu), nu the joint
    fit's, with a 95 % interval, beside Crawford and Auton's 4.258 (uniform
    3-SAT) and the asymptotic threshold;
  - per size and solver, the ratio of the highest median cost and its
    distance from alpha_50(n); from per-formula input also a 95 % bootstrap
    interval of that ratio (1,000 resamples of the formulas, fixed seed) and,
    in the cell nearest alpha_50(n), the mean over the median cost of the
    satisfiable and of the unsatisfiable formulas apart.

Reads the per-cell or per-formula records that satphase sweep writes with
--format csv or --format jsonl (told apart by content), from one or several
files of one model and k. The same input gives the same output.""",
        epilog="""\
example:
  satphase sweep --vars 25,50,75,100 --ratios 3.8:4.8:0.05 --trials 501 \\
      --per-formula --format csv --output sweep.csv
  satphase analyze sweep.csv --output threshold  # threshold.png, threshold.svg

Exit status: 0 when done, 1 when the input cannot be analysed or a figure
cannot be written (one line on standard error says why, and nothing is
written), 2 for a bad command line.""")
    parser.add_argument("inputs", nargs="*", default=["-"], metavar="FILE",
                        help="the sweep's CSV or JSON Lines files; - or nothing for standard input")
    parser.add_argument("--format", choices=("table", "json"), default="table",
                        help="a table for reading, or one JSON object (default: %(default)s)")
    parser.add_argument("-o", "--output", metavar="NAME",
                        help="also draw NAME.png and NAME.svg: the data collapse (needs three "
                             "sizes) and, from per-formula input, the survival curves of the "
                             "cost near the threshold")
    arguments = parser.parse_args(argv)
    if len({os.path.realpath(path) for path in arguments.inputs}) < len(arguments.inputs):
        parser.error("a file is named twice")
    if arguments.inputs == ["-"] and sys.stdin.isatty():
        parser.error("no input: name a sweep's CSV or JSON Lines file, or pipe one in")
    if arguments.output:
        arguments.output = figures.prefix_of(arguments.output)
    return arguments


def main(argv=None):
    arguments = parse_arguments(argv)
    return program.answered(PROG, lambda: _run(arguments))


def _run(arguments):
    if arguments.output:
        figures.check_prefix(arguments.output)
    analysis = analyse(read_sweep([records.read_input(path, sys.stdin.buffer)
                                   for path in arguments.inputs]))
    if arguments.format == "json":
        text = json.dumps(as_json(analysis), indent=2) + "\n"
    else:
        text = "\n".join(table(analysis)) + "\n"
    if not arguments.output:
        figures.print_text(text)
        return 0
    if analysis.scaling is None:
        raise Refusal("--output draws the data collapse, which needs alpha_c and nu: "
                      + analysis.scaling_lacking)
    if arguments.format == "table":
        text += f"Wrote {arguments.output}.png and {arguments.output}.svg\n"
    from satphase import analysis_figure
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # layout notices are not errors
        figures.write(analysis_figure.draw(analysis), arguments.output, text,
                      with_matplotlib=False)
    return 0
