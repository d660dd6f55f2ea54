#!/usr/bin/python3
"""Where exactly is the threshold? Statistics of the output of `satphase sweep`.

Run as `satphase analyze`, which passes its arguments through; `--help` says
what it reads, prints and draws. Needs numpy and scipy (Debian's
python3-numpy, python3-scipy); matplotlib only when a figure is asked for.
"""

import argparse
import json
import os
import signal
import sys
import warnings
from dataclasses import dataclass

sys.dont_write_bytecode = True  # no __pycache__ beside an installed copy
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

# Reading needs only the standard library: bad input is refused before numpy
# and scipy are loaded (analyse imports them).
from sweep_records import Refusal, read_sweep  # noqa: E402

PROG = os.environ.get("SATPHASE_ANALYZE_PROG", "satphase analyze")

# Kirkpatrick and Selman, Science 264 (1994): (alpha_c, nu, error of nu); None where not given.
KIRKPATRICK_SELMAN = {3: (4.17, 1.5, 0.1), 4: (None, 1.25, None), 5: (None, 1.1, None)}
# Where the satisfiable fraction of large uniform random k-CNF formulas drops through one half.
ASYMPTOTIC_THRESHOLD = {2: 1.0, 3: 4.267, 4: 9.931, 5: 21.117, 6: 43.37, 7: 87.79}


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


def analyse(sweep):
    """Every estimate of the sweep: per size, the scaling of all sizes, and the cost."""
    try:
        import cost_measures
        import threshold_fits
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
    if isinstance(scaling, str):
        return Analysis(sweep, sizes, scaling_lacking=scaling)
    return Analysis(sweep, sizes, scaling)


def lacking(analysis):
    """Lines naming what the input is too thin to estimate."""
    lines = [f"Not estimated: alpha_50 for {size.fit.vars} variables: {size.fit.lacking}"
             for size in analysis.sizes if size.fit.lacking]
    if analysis.scaling is None:
        lines.append(f"Not estimated: alpha_c and nu: {analysis.scaling_lacking}")
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
    lines = [f"{sweep.model} model, k = {sweep.k}: {len(analysis.sizes)} sizes, "
             f"{len(sweep.cells)} cells, {formulas} formulas "
             f"({'per formula' if sweep.per_formula else 'per cell'})", "",
             "Where the satisfiable fraction is one half (logistic fit of each size's counts, "
             "95 % profile-likelihood interval widened by D/df above 1)"]
    lines += _columns(("vars", "alpha_50", "95 % interval", "width 90-10 %", "D/df"), [
        (str(s.fit.vars), _ratio(s.fit.alpha_50), _interval(s.fit.alpha_50_low, s.fit.alpha_50_high),
         _ratio(s.fit.width), _ratio(s.fit.dispersion, 2)) for s in analysis.sizes])

    ks_alpha, ks_nu, ks_error = KIRKPATRICK_SELMAN.get(sweep.k, (None, None, None))
    lines += ["", "All sizes on one curve: sat = 1 / (1 + exp(b (y - y0))), "
              "y = (alpha - alpha_c) / alpha_c * n^(1/nu)"]
    fit = analysis.scaling
    rows = [("alpha_c", _ratio(fit and fit.alpha_c), _interval(*(
                (fit.alpha_c_low, fit.alpha_c_high) if fit else (None, None))),
             _ratio(ks_alpha, 2), _ratio(ASYMPTOTIC_THRESHOLD[sweep.k])),
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
    ks_alpha, ks_nu, ks_error = KIRKPATRICK_SELMAN.get(sweep.k, (None, None, None))
    result = {"model": sweep.model, "k": sweep.k, "per_formula": sweep.per_formula,
              "cells": len(sweep.cells), "formulas": sum(c.trials for c in sweep.cells)}
    for key in ("alpha_c", "alpha_c_low", "alpha_c_high", "nu", "nu_low", "nu_high"):
        result[key] = _rounded(getattr(fit, key)) if fit else None
    result["scaling"] = fit and {
        "b": _rounded(fit.b), "y0": _rounded(fit.y0),
        "sat_fraction_at_alpha_c": _rounded(float(fit.sat_fraction(0.0))),
        "deviance": _rounded(fit.deviance), "degrees_of_freedom": fit.degrees,
        "p_value": _rounded(fit.p_value), "dispersion": _rounded(fit.dispersion)}
    result["literature"] = {"kirkpatrick_selman_alpha_c": ks_alpha,
                            "kirkpatrick_selman_nu": ks_nu,
                            "kirkpatrick_selman_nu_error": ks_error,
                            "asymptotic_threshold": ASYMPTOTIC_THRESHOLD[sweep.k]}
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
    cells' satisfiable counts against the ratio, with its 95 % profile-
    likelihood interval, and the ratio span from 90 % to 10 % satisfiable;
  - with three sizes or more, alpha_c and nu fitted jointly to every cell,
    the satisfiable fraction a logistic function of
    y = (alpha - alpha_c) / alpha_c * n^(1/nu), with 95 % profile-likelihood
    intervals, beside Kirkpatrick and Selman's values and the asymptotic
    threshold for the input's k;
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
        for extension in (".png", ".svg"):
            if arguments.output.endswith(extension):
                arguments.output = arguments.output[:-len(extension)]
    return arguments


def read_input(path):
    """(name for messages, text) of the file or of standard input."""
    name = "standard input" if path == "-" else path
    try:
        if path == "-":
            return name, sys.stdin.buffer.read().decode("utf-8-sig")
        with open(path, "rb") as source:
            return name, source.read().decode("utf-8-sig")
    except OSError as error:
        raise Refusal(f"cannot read {path}: {error.strerror}") from None
    except UnicodeDecodeError:
        raise Refusal(f"{name} is not the output of satphase sweep: not UTF-8 text") from None


def main(argv=None):
    arguments = parse_arguments(argv)
    try:
        analysis = analyse(read_sweep([read_input(path) for path in arguments.inputs]))
        if arguments.output:
            import figures
            if analysis.scaling is None:
                raise Refusal("--output draws the data collapse, which needs alpha_c and nu: "
                              + analysis.scaling_lacking)
            with warnings.catch_warnings():
                warnings.simplefilter("ignore")  # layout notices are not errors
                figures.write(figures.draw(analysis), arguments.output)
        if arguments.format == "json":
            text = json.dumps(as_json(analysis), indent=2)
        else:
            text = "\n".join(table(analysis))
        print(text)
        if arguments.output and arguments.format == "table":
            print(f"Wrote {arguments.output}.png and {arguments.output}.svg")
    except Refusal as refusal:
        print(f"{PROG}: {refusal}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    # A termination unwinds like an interrupt, so that half-written figures are removed.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
    except BrokenPipeError:  # the reader went away (| head): nothing more to say
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        sys.exit(1)
    except Exception as error:  # a fault of this program; still one line, not a traceback
        print(f"{PROG}: internal error: {type(error).__name__}: {error}", file=sys.stderr)
        sys.exit(1)
