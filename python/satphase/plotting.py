"""Draws the phase-transition figures from the per-cell output of `satphase sweep`.

Run as `satphase plot` (python/satphase_plot.py), which passes its arguments
through; `--help` says what it reads, writes and prints. Reading and the
estimates (estimates.py) need only the standard library; matplotlib is imported when the
figure is drawn, so bad input is refused quickly and without it.

A sweep that lists a local search (probsat, walksat) also gets a figure of its
own, PREFIX-local-search: a local search calls no formula unsatisfiable, so
what it shows is the fraction solved within the flip budget and the flips it
took, which per-formula records give as well as cell records.
"""

import argparse
import os
import re
import sys
import warnings
from dataclasses import dataclass

from satphase import figures, program, records
from satphase.estimates import (CRAWFORD_AUTON_SIZES, UNIFORM_THRESHOLDS, Cell, by_size,
                                crawford_auton, crossover, default_title, report, solvers_of,
                                subtitle, threshold)
from satphase.program import Refusal

PROG = os.environ.get("SATPHASE_PLOT_PROG", "satphase plot")

# One line style per solver in the cost panel of several solvers.
SOLVER_STYLES = ("-", "--", ":", "-.")
# And one peak marker per solver, each smaller than the one before and hollow but the
# first, so that peaks at the same ratio and height stay apart as nested marks.
SOLVER_MARKERS = (("*", 14), ("o", 10), ("s", 7), ("D", 4))

DEFAULT_SIZE = (1200, 500)
SIZE_LIMITS = (300, 10000)
# What PREFIX the local searches' figure takes after it: PREFIX-local-search.png.
SEARCH_SUFFIX = "-local-search"


@dataclass(frozen=True)
class SearchPoint:
    """One local search in one cell: how many formulas it solved within its
    flip budget, with the 95 % Wilson interval of the fraction, and the median
    flips of those it solved (None when it solved none)."""
    cell: int
    vars: int
    ratio: float
    solver: str
    trials: int
    solved: int
    solved_fraction: float
    solved_low: float
    solved_high: float
    median: float
    start_state: str
    model: str
    k: int
    p: float = None  # the mixed model's


# ---------------------------------------------------------------- reading

def read_sweep(text, name):
    """The cell records of a sweep's CSV or JSON Lines, in the order given."""
    return complete_cells(records.read_file(text, name))


def complete_cells(sweep):
    """The cells of a read sweep's complete solvers, in the order given; a
    local search's records are its own figure's."""
    name = sweep.name
    if sweep.per_formula:
        raise Refusal(f"{name} holds one record per formula (sweep --per-formula); "
                      "plot the sweep's per-cell output instead")
    cells, seen = [], {}
    for r in (r for r in sweep.records if r.solver not in records.LOCAL_SEARCHES):
        # A CSV's costs read as reals, as they always have here.
        cost = float if sweep.csv else int
        cell = Cell(r.cell, r.vars, r.ratio, r.trials, r.sat_fraction, r.sat_low, r.sat_high,
                    cost(r.median), cost(r.q1), cost(r.q3), str(r.start_state), r.model, r.k,
                    r.p, r.solver, r.unit)
        earlier = seen.setdefault((cell.vars, cell.ratio, cell.solver), r.where)
        if earlier != r.where:
            whose = f" and solver {cell.solver}" if sweep.solvers is not None else ""
            raise Refusal(f"{r.where}: a second cell for {cell.vars} variables at "
                          f"ratio {cell.ratio:g}{whose} (the first is on {earlier})")
        cells.append(cell)
    _one_model(name, cells)
    return cells


def _one_model(name, cells):
    kinds = sorted({(cell.model, cell.k) for cell in cells})
    if len(kinds) == 1 and len({cell.p for cell in cells}) > 1:
        raise Refusal(f"{name} mixes mixed formulas of several p; plot one sweep at a time")
    if len(kinds) > 1:
        raise Refusal(f"{name} mixes formula models: " +
                      ", ".join(f"{model} with k = {k}" for model, k in kinds) +
                      "; plot one sweep at a time")


def search_points(sweep):
    """The SearchPoints of a read sweep's local searches, from its cell records
    or, counted the same way, from its per-formula records: the median of m
    solved costs sorted is the (m // 2)-th."""
    searches = sweep.local_searches()
    points, seen = [], {}
    if not sweep.per_formula:
        for r in (r for r in sweep.records if r.solver in searches):
            _once(seen, (r.vars, r.ratio, r.solver), r)
            points.append(SearchPoint(r.cell, r.vars, r.ratio, r.solver, r.trials, r.solved,
                                      r.solved_fraction, r.solved_low, r.solved_high,
                                      r.median if r.solved else None, str(r.start_state),
                                      r.model, r.k, r.p))
    else:
        cells = {}
        for r in sweep.records:
            cells.setdefault(r.cell, []).append(r)
        for formulas in cells.values():
            first = min(formulas, key=lambda r: r.trial)
            _once(seen, (first.vars, first.ratio), first)
            for solver in searches:
                costs = sorted(r.costs[solver] for r in formulas if r.solved_by[solver])
                points.append(SearchPoint(
                    first.cell, first.vars, first.ratio, solver, len(formulas), len(costs),
                    *records.sat_interval(len(formulas) - len(costs), len(formulas)),
                    costs[len(costs) // 2] if costs else None, str(first.start_state),
                    first.model, first.k, first.p))
    _one_model(sweep.name, points)
    return points


def _once(seen, key, record):
    """Refuses a second cell of the same size, ratio (and solver) as one before."""
    earlier = seen.setdefault(key, record.where)
    if earlier != record.where:
        whose = f" and solver {key[2]}" if len(key) > 2 else ""
        raise Refusal(f"{record.where}: a second cell for {key[0]} variables at "
                      f"ratio {key[1]:g}{whose} (the first is on {earlier})")


# ---------------------------------------------------------------- estimates

# ---------------------------------------------------------------- drawing

def draw(sizes, cells, title, pixels):
    """The figure with its two panels; the title None names the cells' model."""
    figures.load_matplotlib()
    from matplotlib.figure import Figure
    from matplotlib.lines import Line2D
    from matplotlib.patches import Patch

    model, k, p = cells[0].model, cells[0].k, cells[0].p
    line_at = threshold(model, k, p)
    line_label = (f"ratio {line_at}" if model == "classic"
                  else f"uniform {k}-SAT threshold {line_at}" if model != "mixed"
                  else f"(2+p)-SAT threshold 1/(1 - p) = {line_at:.3g}" if line_at else None)
    width, height = pixels
    figure = Figure(figsize=(width / figures.DPI, height / figures.DPI), dpi=figures.DPI,
                    layout="constrained")
    figure.suptitle(f"{title or default_title(model, k, p)}\n{subtitle(cells)}")
    fraction_axes, steps_axes = figure.subplots(1, 2)

    fraction_axes.set_title("Satisfiable fraction")
    fraction_axes.set_xlabel("clauses per variable")
    fraction_axes.set_ylabel("fraction of formulas satisfiable")
    fraction_axes.set_ylim(-0.03, 1.03)
    if line_at is not None:
        fraction_axes.axvline(line_at, color="0.4", linestyle="--", linewidth=1,
                              **({"gid": "threshold"} if model == "mixed" else {}))
    fraction_axes.axhline(0.5, color="0.7", linestyle=":", linewidth=1)
    several = any(size.solver_cells for size in sizes)
    if several:
        steps_axes.set_title("Median cost, each solver's divided by its own highest")
        steps_axes.set_ylabel("median cost / highest median of the solver and size")
        steps_axes.set_ylim(0, 1.05)
    else:
        steps_axes.set_title("Median steps")
        steps_axes.set_ylabel("median search steps (log scale)")
        steps_axes.set_yscale("log")
    steps_axes.set_xlabel("clauses per variable")

    for i, size in enumerate(sizes):
        color = f"C{i % 10}"
        label = f"{size.vars} variables"
        ratios = [c.ratio for c in size.cells]
        fractions = [c.sat_fraction for c in size.cells]
        bars = fraction_axes.errorbar(
            ratios, fractions, color=color, marker="o", markersize=3, linewidth=1.2,
            capsize=2, label=label,
            yerr=[[c.sat_fraction - c.sat_low for c in size.cells],
                  [c.sat_high - c.sat_fraction for c in size.cells]])
        bars.lines[0].set_gid(f"sat-curve-{size.vars}")
        if (model, k) == ("uniform", 3):
            fraction_axes.plot([crawford_auton(size.vars)], [0.5], linestyle="none", marker="D",
                               markersize=6, color=color, markeredgecolor="black",
                               markerfacecolor=color if _fitted_size(size.vars) else "none",
                               gid=f"crawford-auton-{size.vars}")

        if several:
            _draw_normalised(steps_axes, size, color)
            continue
        steps_axes.fill_between(ratios, [c.q1_steps for c in size.cells],
                                [c.q3_steps for c in size.cells], color=color, alpha=0.2,
                                linewidth=0, gid=f"quartiles-{size.vars}")
        steps_axes.plot(ratios, [c.median_steps for c in size.cells], color=color, marker="o",
                        markersize=3, linewidth=1.2, label=label, gid=f"median-curve-{size.vars}")
        if size.peak is not None:
            peak_ratio, peak_median = size.peak
            steps_axes.plot([peak_ratio], [peak_median], linestyle="none", marker="*",
                            markersize=12, color=color, markeredgecolor="black",
                            gid=f"peak-{size.vars}")

    fraction_handles = fraction_axes.get_legend_handles_labels()[0] + ([
        Line2D([], [], color="0.4", linestyle="--", linewidth=1, label=line_label)]
        if line_at is not None else [])
    if (model, k) == ("uniform", 3):
        low, high = CRAWFORD_AUTON_SIZES
        for fitted in sorted({_fitted_size(size.vars) for size in sizes}, reverse=True):
            fraction_handles.append(Line2D(
                [], [], color="0.6", linestyle="none", marker="D", markeredgecolor="black",
                markerfacecolor="0.6" if fitted else "none",
                label=f"Crawford & Auton's fit ({low}-{high} variables)" if fitted
                else "Crawford & Auton's fit, extrapolated"))
    fraction_axes.legend(fontsize="small", handles=fraction_handles)
    steps_handles = steps_axes.get_legend_handles_labels()[0]
    if several:
        steps_handles = [Line2D([], [], color=f"C{i % 10}", label=f"{size.vars} variables")
                         for i, size in enumerate(sizes)]
        steps_handles += [Line2D([], [], color="0.3", linestyle=_style(i), label=solver,
                                 **_peak_marker(i, "0.3"))
                          for i, solver in enumerate(solvers_of(cells))]
    else:
        steps_handles.append(Patch(color="0.6", alpha=0.4, label="quartiles"))
    if any(size.peak for size in sizes) and not several:
        steps_handles.append(Line2D([], [], color="0.6", linestyle="none", marker="*", markersize=10,
                                    markeredgecolor="black", label="highest median"))
    steps_axes.legend(fontsize="small", handles=steps_handles)
    return figure


def draw_searches(points, title, pixels):
    """The local searches' figure: against the ratio, the fraction each solved
    within its flip budget and the median flips per variable of those it
    solved, one colour per size and one line style per search."""
    figures.load_matplotlib()
    from matplotlib.figure import Figure
    from matplotlib.lines import Line2D

    model, k, p = points[0].model, points[0].k, points[0].p
    width, height = pixels
    figure = Figure(figsize=(width / figures.DPI, height / figures.DPI), dpi=figures.DPI,
                    layout="constrained")
    first_line = title or default_title(model, k, p).replace("the phase transition", "local search")
    figure.suptitle(f"{first_line}\n{subtitle(points)}")
    solved_axes, flips_axes = figure.subplots(1, 2)
    solved_axes.set_title("Solved within the flip budget")
    solved_axes.set_ylabel("fraction of formulas solved")
    solved_axes.set_ylim(-0.03, 1.03)
    flips_axes.set_title("Median flips of the formulas solved")
    flips_axes.set_ylabel("median flips per variable (log scale)")
    flips_axes.set_yscale("log")
    handles = []
    # The uniform 3-SAT threshold, or a mixed model's where it is known.
    line_at = (UNIFORM_THRESHOLDS[3] if (model, k) == ("uniform", 3)
               else threshold(model, k, p) if model == "mixed" else None)
    for axes in (solved_axes, flips_axes):
        axes.set_xlabel("clauses per variable")
        if line_at is not None:
            axes.axvline(line_at, color="0.4", linestyle="--", linewidth=1, gid="threshold")
    if line_at is not None:
        handles.append(Line2D([], [], color="0.4", linestyle="--", linewidth=1,
                              label=f"uniform 3-SAT threshold {UNIFORM_THRESHOLDS[3]}"
                              if model == "uniform"
                              else f"(2+p)-SAT threshold 1/(1 - p) = {line_at:.3g}"))

    searches = list(dict.fromkeys(p.solver for p in points))
    sizes = sorted({p.vars for p in points})
    for i, n in enumerate(sizes):
        color = f"C{i % 10}"
        handles.append(Line2D([], [], color=color, label=f"{n} variables"))
        for j, solver in enumerate(searches):
            line = sorted((p for p in points if (p.vars, p.solver) == (n, solver)),
                          key=lambda p: p.ratio)
            bars = solved_axes.errorbar(
                [p.ratio for p in line], [p.solved_fraction for p in line], color=color,
                linestyle=_style(j), marker="o", markersize=3, linewidth=1.2, capsize=2,
                yerr=[[p.solved_fraction - p.solved_low for p in line],
                      [p.solved_high - p.solved_fraction for p in line]])
            bars.lines[0].set_gid(f"solved-{solver}-{n}")
            line = [p for p in line if p.median is not None]
            flips_axes.plot([p.ratio for p in line], [p.median / n for p in line], color=color,
                            linestyle=_style(j), marker="o", markersize=3, linewidth=1.2,
                            gid=f"flips-{solver}-{n}")
    handles += [Line2D([], [], color="0.3", linestyle=_style(j), label=solver)
                for j, solver in enumerate(searches)]
    solved_axes.legend(fontsize="small", handles=handles)
    return figure


def search_report(points):
    """Per size and local search, the ratio where the fraction solved crosses one half."""
    rows = []
    for n in sorted({p.vars for p in points}):
        for solver in dict.fromkeys(p.solver for p in points):
            line = sorted(((p.ratio, p.solved_fraction) for p in points
                           if (p.vars, p.solver) == (n, solver)))
            cross = crossover(line) if len(line) > 1 else None
            rows.append((str(n), solver, "-" if len(line) < 2 else
                         "not crossed" if cross is None else f"{cross:.2f}"))
    header = ("vars", "local search", "solved = 1/2 at ratio")
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    return ["Local search: where half the formulas are solved within the flip budget"] + [
        "  ".join(f"{field:>{width}}" for field, width in zip(row, widths)).rstrip()
        for row in [header] + rows]


def _style(index):
    return SOLVER_STYLES[index % len(SOLVER_STYLES)]


def _fitted_size(variables):
    low, high = CRAWFORD_AUTON_SIZES
    return low <= variables <= high


def _peak_marker(index, color):
    """The marker of solver index's highest median: its shape, size and fill."""
    marker, size = SOLVER_MARKERS[index % len(SOLVER_MARKERS)]
    return {"marker": marker, "markersize": size, "markeredgewidth": 1.5 if index else 1,
            "markeredgecolor": "black" if index == 0 else color,
            "markerfacecolor": color if index == 0 else "none"}


def _draw_normalised(axes, size, color):
    """Each solver's median cost over its highest, one line style per solver,
    so that peaks in steps, branches and conflicts compare."""
    for i, (solver, cells) in enumerate(size.solver_cells.items()):
        highest = max(c.median_steps for c in cells) or 1  # all zero: drawn at zero
        axes.plot([c.ratio for c in cells], [c.median_steps / highest for c in cells],
                  color=color, linestyle=_style(i), marker="o", markersize=3, linewidth=1.2,
                  gid=f"normalised-{solver}-{size.vars}")
        peaks = size.solver_peaks()
        if solver in peaks:
            axes.plot([peaks[solver][0]], [peaks[solver][1] / highest], linestyle="none",
                      color=color, gid=f"peak-{solver}-{size.vars}", **_peak_marker(i, color))


# ---------------------------------------------------------------- command line

class _Parser(argparse.ArgumentParser):
    def error(self, message):
        self.exit(2, f"{self.prog}: {message} (see --help)\n")


def _size(text):
    match = re.fullmatch(r"(\d+)x(\d+)", text)
    low, high = SIZE_LIMITS
    if not match or not all(low <= int(n) <= high for n in match.groups()):
        raise argparse.ArgumentTypeError(
            f"{text!r} is not WIDTHxHEIGHT in pixels, each from {low} to {high}")
    return int(match[1]), int(match[2])


def parse_arguments(argv):
    parser = _Parser(
        prog=PROG, formatter_class=argparse.RawDescriptionHelpFormatter,
        description="""\
Draws the phase transition of random formulas from the results of
satphase sweep: one figure with two panels, against clauses per variable,
one curve per number of variables:
  - the satisfiable fraction, with each point's 95 % interval as an error bar,
    a line at the threshold (ratio 4.26 for the classic model, 1 / (1 - p)
    for the mixed model up to p = 0.4 and none beyond, for the others that of
    uniform k-SAT: 1, 4.267, 9.931, 21.117, 43.37, 87.79 for k = 2 to 7)
    and, for uniform 3-SAT, Crawford and Auton's crossover for each
    size (hollow, "extrapolated", outside the 20 to 300 variables of their
    fit);
  - the median search steps on a logarithmic axis, the band between the
    quartiles shaded and each curve's highest median marked; for a sweep of
    several solvers (sweep --solver) instead each solver's median cost
    divided by its own highest, one line style and peak marker per solver,
    so that the peaks of costs in different units compare.

Reads the per-cell records that satphase sweep writes with --format csv or
--format jsonl (which of the two is seen from the content); a sweep's
--per-formula records are refused unless it lists a local search. Writes
PREFIX.png and PREFIX.svg, both or neither. A sweep that lists probsat or
walksat also gets PREFIX-local-search.png and .svg (and only those when it
lists no complete solver): per search and size, the fraction solved within
the flip budget and the median flips per variable of the solved formulas,
from cell or per-formula records. Prints, per size, the ratio where the
satisfiable fraction crosses one half (interpolated between the two grid
points around it, "not crossed" when the grid does not straddle it) and the
ratio with the highest median, and names what a thin input (one size, one
ratio) leaves unestimated; with several solvers the ratio of the highest
median per size and solver; with a local search, per size, the ratio where
half are solved.""",
        epilog="""\
example:
  satphase sweep --format csv > sweep.csv
  satphase plot sweep.csv --output phase     # writes phase.png and phase.svg

Exit status: 0 when both files are written, 1 when the input cannot be
plotted or a file cannot be written (one line on standard error says why),
2 for a bad command line.""")
    parser.add_argument("inputs", nargs="*", default=["-"], metavar="INPUT",
                        help="the sweep's CSV or JSON Lines; - or nothing for standard input. "
                             "Several sweeps of local searches alone, of one model and other "
                             "sizes (each size its own budget), draw one figure together")
    parser.add_argument("-o", "--output", default="satphase-plot", metavar="PREFIX",
                        help="where to write: PREFIX.png and PREFIX.svg (default: %(default)s)")
    parser.add_argument("--size", type=_size, default=DEFAULT_SIZE, metavar="WIDTHxHEIGHT",
                        help="size of the PNG in pixels, and of the SVG at 100 pixels an inch "
                             "(default: %dx%d)" % DEFAULT_SIZE)
    parser.add_argument("--title", metavar="TEXT",
                        help="first line of the title; the second says the trials per cell "
                             "and the seed (default: %r, or the model and k of another "
                             "sweep)" % default_title("classic", 3))
    arguments = parser.parse_args(argv)
    if arguments.inputs == ["-"] and sys.stdin.isatty():
        parser.error("no input: name a sweep's CSV or JSON Lines file, or pipe one in")
    arguments.output = figures.prefix_of(arguments.output)
    return arguments


def main(argv=None):
    arguments = parse_arguments(argv)
    return program.answered(PROG, lambda: _run(arguments))


def _run(arguments):
    figures.check_prefix(arguments.output)
    sweeps = [records.read_file(text, name) for name, text in
              (records.read_input(path, sys.stdin.buffer) for path in arguments.inputs)]
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # layout and log-axis notices are not errors
        drawn, lines = draw_sweeps(sweeps, arguments.title, arguments.size)
        drawn = [(figure, arguments.output + suffix) for figure, suffix in drawn]
        lines += [f"Wrote {prefix}.png and {prefix}.svg" for _, prefix in drawn]
        figures.write_all(drawn, "\n".join(lines) + "\n", with_matplotlib=True)
    return 0


def draw_sweeps(sweeps, title, pixels):
    """What `plot` makes of these read sweeps before it writes anything: the
    figures, [(figure, what PREFIX takes after it)], and the lines it prints
    above the names of the files. Kept apart from the writing so that a
    notebook gets the same figures (satphase.frames)."""
    if len(sweeps) > 1:
        return _joined(sweeps, title, pixels)
    sweep = sweeps[0]
    if sweep.local_searches():
        return _searches(sweep, title, pixels)
    cells = complete_cells(sweep)
    sizes = by_size(cells)
    return [(draw(sizes, cells, title, pixels), "")], report(sizes)


def _joined(sweeps, title, pixels):
    """Several sweeps of local searches alone, each of other sizes than the
    rest: one local-search figure of them all."""
    for sweep in sweeps:
        if sweep.decides or not sweep.local_searches():
            raise Refusal(f"{sweep.name}: not a sweep of local searches alone; only those "
                          "are drawn together, a complete solver's sweep one at a time")
    points, owner = [], {}
    for sweep in sweeps:
        own = search_points(sweep)
        for n in sorted({p.vars for p in own}):
            if n in owner:
                raise Refusal(f"{sweep.name}: {n} variables are in {owner[n]} too; each size "
                              "comes from one sweep")
        owner.update((p.vars, sweep.name) for p in own)
        points += own
    _one_model(", ".join(sweep.name for sweep in sweeps), points)
    return [(draw_searches(points, title, pixels), SEARCH_SUFFIX)], search_report(points)


def _searches(sweep, title, pixels):
    """A sweep with a local search: its own figure, PREFIX-local-search, and
    beside it, from cell records, the complete solvers' figure as a sweep of
    them alone has it."""
    points = search_points(sweep)
    drawn, lines = [], []
    complete = [] if sweep.per_formula else complete_cells(sweep)
    if complete:
        sizes = by_size(complete)
        lines += report(sizes) + [""]
        drawn.append((draw(sizes, complete, title, pixels), ""))
    elif sweep.per_formula and sweep.decides:
        lines += ["Not drawn: the satisfiable fraction and the complete solvers' cost, "
                  "which plot draws from a sweep's per-cell records", ""]
    lines += search_report(points)
    drawn.append((draw_searches(points, title, pixels), SEARCH_SUFFIX))
    return drawn, lines
