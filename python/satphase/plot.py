"""Draws the phase-transition figures from the per-cell output of `satphase sweep`.

Run as `satphase plot` (python/satphase_plot.py), which passes its arguments
through; `--help` says what it reads, writes and prints. Reading and the
estimates need only the standard library; matplotlib is imported when the
figure is drawn, so bad input is refused quickly and without it.
"""

import argparse
import os
import re
import sys
import warnings
from dataclasses import dataclass

from satphase import figures, records
from satphase.program import Interrupted
from satphase.records import Refusal

PROG = os.environ.get("SATPHASE_PLOT_PROG", "satphase plot")

# The columns of the sweep's cell records and of its --per-formula records.
CELL_COLUMNS = records.CELL_HEAD + records.CELL_TAIL
FORMULA_ONLY_COLUMNS = ("trial", "satisfiable", "steps")
# One line style per solver in the cost panel of several solvers.
SOLVER_STYLES = ("-", "--", ":", "-.")

# Where the satisfiable fraction of large random 3-CNF formulas drops through one half,
# as the classic figures have always marked it.
THRESHOLD_RATIO = 4.26
# The satisfiability thresholds of uniform random k-SAT (Mertens, Mezard and
# Zecchina 2006; 1 for 2-SAT exactly), marked for the other models: planted
# formulas are always satisfiable, but their hardness follows the same ratio.
UNIFORM_THRESHOLDS = {2: 1, 3: 4.267, 4: 9.931, 5: 21.117, 6: 43.37, 7: 87.79}
DEFAULT_SIZE = (1200, 500)
SIZE_LIMITS = (300, 10000)


@dataclass(frozen=True)
class Cell:
    cell: int
    vars: int
    ratio: float
    trials: int
    sat_fraction: float
    sat_low: float
    sat_high: float
    median_steps: float
    q1_steps: float
    q3_steps: float
    start_state: str
    model: str = "classic"
    k: int = 3
    # Whose cost median_steps, q1_steps and q3_steps are, in what unit.
    solver: str = "splitting"
    unit: str = "steps"


# ---------------------------------------------------------------- reading

def read_sweep(text, name):
    """The cell records of a sweep's CSV or JSON Lines, in the order given."""
    sweep = records.read_file(text, name)
    if sweep.per_formula:
        raise Refusal(f"{name} holds one record per formula (sweep --per-formula); "
                      "plot the sweep's per-cell output instead")
    cells, seen = [], {}
    for r in sweep.records:
        # A CSV's costs read as reals, as they always have here.
        cost = float if sweep.csv else int
        cell = Cell(r.cell, r.vars, r.ratio, r.trials, r.sat_fraction, r.sat_low, r.sat_high,
                    cost(r.median), cost(r.q1), cost(r.q3), str(r.start_state), r.model, r.k,
                    r.solver, r.unit)
        earlier = seen.setdefault((cell.vars, cell.ratio, cell.solver), r.where)
        if earlier != r.where:
            whose = f" and solver {cell.solver}" if sweep.solvers is not None else ""
            raise Refusal(f"{r.where}: a second cell for {cell.vars} variables at "
                          f"ratio {cell.ratio:g}{whose} (the first is on {earlier})")
        cells.append(cell)
    kinds = sorted({(cell.model, cell.k) for cell in cells})
    if len(kinds) > 1:
        raise Refusal(f"{name} mixes formula models: " +
                      ", ".join(f"{model} with k = {k}" for model, k in kinds) +
                      "; plot one sweep at a time")
    return cells


# ---------------------------------------------------------------- estimates

def crossover(points):
    """The lowest ratio at which the satisfiable fraction reaches one half.

    points: (ratio, sat_fraction) sorted by ratio. A grid point at exactly one half
    is the answer itself; otherwise the answer is interpolated linearly between the
    two grid points on either side. None when the grid does not straddle one half.
    """
    for i, (ratio, fraction) in enumerate(points):
        if fraction == 0.5:
            return ratio
        if i + 1 < len(points):
            next_ratio, next_fraction = points[i + 1]
            if (fraction - 0.5) * (next_fraction - 0.5) < 0:
                return ratio + (fraction - 0.5) / (fraction - next_fraction) * (next_ratio - ratio)
    return None


def peak(points):
    """(ratio, median) of the highest median; the lowest such ratio on a tie."""
    return max(points, key=lambda point: point[1])


def threshold(model, k):
    """The ratio the figures mark for formulas of `model` with k literals a clause."""
    return THRESHOLD_RATIO if model == "classic" else UNIFORM_THRESHOLDS[k]


def default_title(model, k):
    if model == "classic":
        return "Random 3-CNF formulas: the phase transition"
    return f"Random {k}-CNF formulas of the {model} model: the phase transition"


def crawford_auton(variables):
    """Crawford and Auton's fit of the crossover, 4.258 n + 58.26 n^(-2/3) clauses, as a ratio."""
    return 4.258 + 58.26 * variables ** (-5 / 3)


@dataclass
class Size:
    vars: int
    cells: list              # sorted by ratio; the first solver's when there are several
    crossover: float = None  # None: not crossed, or not estimated
    peak: tuple = None       # (ratio, median), None: not estimated
    # Several solvers: per solver in the input's order, its cells sorted by ratio.
    solver_cells: dict = None

    @property
    def estimated(self):
        return len(self.cells) >= 2

    def solver_peaks(self):
        """Per solver, (ratio, median) of its highest median; empty when not estimated."""
        if not self.estimated or not self.solver_cells:
            return {}
        return {solver: peak([(c.ratio, c.median_steps) for c in cells])
                for solver, cells in self.solver_cells.items()}


def solvers_of(cells):
    """The solvers the cells name, in the order they first appear."""
    return list(dict.fromkeys(cell.solver for cell in cells))


def by_size(cells):
    sizes = []
    solvers = solvers_of(cells)
    for n in sorted({cell.vars for cell in cells}):
        own = [c for c in cells if c.vars == n]
        per_solver = {solver: sorted((c for c in own if c.solver == solver), key=lambda c: c.ratio)
                      for solver in solvers}
        size = Size(n, per_solver[solvers[0]],
                    solver_cells=per_solver if len(solvers) > 1 else None)
        if size.estimated:
            size.crossover = crossover([(c.ratio, c.sat_fraction) for c in size.cells])
            size.peak = peak([(c.ratio, c.median_steps) for c in size.cells])
        sizes.append(size)
    return sizes


def solver_report(sizes):
    """With several solvers: per size and solver the ratio of its highest median."""
    header = ("vars", "solver", "highest median at ratio", "median")
    rows = []
    for size in sizes:
        for solver, (ratio, median) in size.solver_peaks().items():
            cells = size.solver_cells[solver]
            where = f"{ratio:g}"
            if ratio in (cells[0].ratio, cells[-1].ratio):
                where += " (grid edge)"
            rows.append((str(size.vars), solver, where, f"{median:.10g} {cells[0].unit}"))
    if not rows:
        return []
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    return ["", "Each solver's peak (its highest median cost)"] + [
        "  ".join(f"{field:>{width}}" for field, width in zip(row, widths)).rstrip()
        for row in [header] + rows]


def not_estimated(sizes):
    """Lines naming what the input is too thin to estimate."""
    lines = []
    thin = [str(size.vars) for size in sizes if not size.estimated]
    if thin:
        lines.append(f"Could not estimate: the crossover and the peak for {', '.join(thin)} "
                     "variables (one ratio only)")
    if len(sizes) == 1:
        lines.append("Could not estimate: how the crossover and the peak move with the size "
                     f"(only {sizes[0].vars} variables in the input)")
    return lines


def report(sizes):
    """The numbers behind the figure, as lines of text; Crawford and Auton's
    fit is for clauses of three literals only."""
    several = any(size.solver_cells for size in sizes)
    header = ("vars", "sat = 1/2 at ratio", "Crawford-Auton", "highest median at ratio", "median")
    if several:  # the peaks are each solver's, below
        header = header[:3]
    rows = []
    for size in sizes:
        fit = f"{crawford_auton(size.vars):.2f}" if size.cells[0].k == 3 else "-"
        if not size.estimated:
            rows.append((str(size.vars), "-", fit, "-", "-"))
            continue
        cross = "not crossed" if size.crossover is None else f"{size.crossover:.2f}"
        ratio, median = size.peak
        where = f"{ratio:g}"
        if ratio in (size.cells[0].ratio, size.cells[-1].ratio):
            where += " (grid edge)"
        rows.append((str(size.vars), cross, fit, where, f"{median:.10g}"))
    rows = [row[:len(header)] for row in rows]
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    lines = ["  ".join(f"{field:>{width}}" for field, width in zip(row, widths)).rstrip()
             for row in [header] + rows]
    return lines + solver_report(sizes) + not_estimated(sizes)


def subtitle(cells):
    trials = sorted({cell.trials for cell in cells})
    if len(trials) == 1:
        text = f"{trials[0]} trials per cell"
    else:
        text = f"{trials[0]} to {trials[-1]} trials per cell (the cells differ)"
    first = [cell for cell in cells if cell.cell == 0]
    return text + (f", seed {first[0].start_state}" if first else ", seed unknown (no cell 0)")


# ---------------------------------------------------------------- drawing

def draw(sizes, cells, title, pixels):
    """The figure with its two panels; the title None names the cells' model."""
    figures.load_matplotlib()
    from matplotlib.figure import Figure
    from matplotlib.lines import Line2D
    from matplotlib.patches import Patch

    model, k = cells[0].model, cells[0].k
    line_at = threshold(model, k)
    line_label = (f"ratio {line_at}" if model == "classic"
                  else f"uniform {k}-SAT threshold {line_at}")
    width, height = pixels
    figure = Figure(figsize=(width / figures.DPI, height / figures.DPI), dpi=figures.DPI,
                    layout="constrained")
    figure.suptitle(f"{title or default_title(model, k)}\n{subtitle(cells)}")
    fraction_axes, steps_axes = figure.subplots(1, 2)

    fraction_axes.set_title("Satisfiable fraction")
    fraction_axes.set_xlabel("clauses per variable")
    fraction_axes.set_ylabel("fraction of formulas satisfiable")
    fraction_axes.set_ylim(-0.03, 1.03)
    fraction_axes.axvline(line_at, color="0.4", linestyle="--", linewidth=1)
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
        if k == 3:
            fraction_axes.plot([crawford_auton(size.vars)], [0.5], linestyle="none", marker="D",
                               markersize=6, color=color, markeredgecolor="black",
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

    fraction_handles = fraction_axes.get_legend_handles_labels()[0] + [
        Line2D([], [], color="0.4", linestyle="--", linewidth=1, label=line_label)]
    if k == 3:
        fraction_handles.append(Line2D([], [], color="0.6", linestyle="none", marker="D",
                                       markeredgecolor="black", label="Crawford & Auton crossover"))
    fraction_axes.legend(fontsize="small", handles=fraction_handles)
    steps_handles = steps_axes.get_legend_handles_labels()[0]
    if several:
        steps_handles = [Line2D([], [], color=f"C{i % 10}", label=f"{size.vars} variables")
                         for i, size in enumerate(sizes)]
        steps_handles += [Line2D([], [], color="0.3", linestyle=_style(i), label=solver)
                          for i, solver in enumerate(solvers_of(cells))]
    else:
        steps_handles.append(Patch(color="0.6", alpha=0.4, label="quartiles"))
    if any(size.peak for size in sizes):
        steps_handles.append(Line2D([], [], color="0.6", linestyle="none", marker="*", markersize=10,
                                    markeredgecolor="black", label="highest median"))
    steps_axes.legend(fontsize="small", handles=steps_handles)
    return figure


def _style(index):
    return SOLVER_STYLES[index % len(SOLVER_STYLES)]


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
                      marker="*", markersize=12, color=color, markeredgecolor="black",
                      gid=f"peak-{solver}-{size.vars}")


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
    a line at the threshold (ratio 4.26 for the classic model, for the others
    that of uniform k-SAT: 1, 4.267, 9.931, 21.117, 43.37, 87.79 for k = 2 to
    7) and, for k = 3, Crawford and Auton's crossover for each size;
  - the median search steps on a logarithmic axis, the band between the
    quartiles shaded and each curve's highest median marked; for a sweep of
    several solvers (sweep --solver) instead each solver's median cost
    divided by its own highest, one line style per solver, so that the peaks
    of costs in different units compare.

Reads the per-cell records that satphase sweep writes with --format csv or
--format jsonl (which of the two is seen from the content); a sweep's
--per-formula records are refused. Writes PREFIX.png and PREFIX.svg, both or
neither. Prints, per size, the ratio where the satisfiable fraction crosses
one half (interpolated between the two grid points around it, "not crossed"
when the grid does not straddle it) and the ratio with the highest median,
and names what a thin input (one size, one ratio) leaves unestimated; with
several solvers the ratio of the highest median per size and solver.""",
        epilog="""\
example:
  satphase sweep --format csv > sweep.csv
  satphase plot sweep.csv --output phase     # writes phase.png and phase.svg

Exit status: 0 when both files are written, 1 when the input cannot be
plotted or a file cannot be written (one line on standard error says why),
2 for a bad command line.""")
    parser.add_argument("input", nargs="?", default="-", metavar="INPUT",
                        help="the sweep's CSV or JSON Lines; - or nothing for standard input")
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
    if arguments.input == "-" and sys.stdin.isatty():
        parser.error("no input: name a sweep's CSV or JSON Lines file, or pipe one in")
    for extension in (".png", ".svg"):
        if arguments.output.endswith(extension):
            arguments.output = arguments.output[:-len(extension)]
    return arguments


def main(argv=None):
    arguments = parse_arguments(argv)
    try:
        figures.check_prefix(arguments.output)
        name, text = records.read_input(arguments.input, sys.stdin.buffer)
        cells = read_sweep(text, name)
        sizes = by_size(cells)
        lines = report(sizes) + [f"Wrote {arguments.output}.png and {arguments.output}.svg"]
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # layout and log-axis notices are not errors
            figures.write(draw(sizes, cells, arguments.title, arguments.size), arguments.output,
                          "\n".join(lines) + "\n", with_matplotlib=True)
    except Refusal as refusal:
        print(f"{PROG}: {refusal}", file=sys.stderr)
        return 1
    except Interrupted as interruption:
        print(f"{PROG}: interrupted; no file written", file=sys.stderr)
        return interruption.status
    return 0
