#!/usr/bin/python3
"""Draws the phase-transition figures from the per-cell output of `satphase sweep`.

Run as `satphase plot`, which passes its arguments through; `--help` says what
it reads, writes and prints. Reading and the estimates need only the standard
library; matplotlib is imported when the figure is drawn, so bad input is
refused quickly and without it.
"""

import argparse
import csv
import json
import math
import os
import re
import signal
import sys
import warnings
from dataclasses import dataclass

PROG = os.environ.get("SATPHASE_PLOT_PROG", "satphase plot")

# The columns of the sweep's cell records and of its --per-formula records.
CELL_COLUMNS = ("cell", "vars", "clauses", "ratio", "trials", "unsat", "sat_fraction",
                "sat_low", "sat_high", "median_steps", "q1_steps", "q3_steps",
                "mean_steps", "max_steps", "seconds", "start_state")
FORMULA_ONLY_COLUMNS = ("trial", "satisfiable", "steps")
USED_COLUMNS = ("cell", "vars", "ratio", "trials", "sat_fraction", "sat_low", "sat_high",
                "median_steps", "q1_steps", "q3_steps", "start_state")
# A sweep with --solver: one record per cell and solver, its cost in its own unit.
SOLVER_COLUMNS = {"median_steps": "median_cost", "q1_steps": "q1_cost", "q3_steps": "q3_cost"}
SOLVER_USED_COLUMNS = tuple(SOLVER_COLUMNS.get(c, c) for c in USED_COLUMNS) + ("solver", "cost_unit")
# One line style per solver in the cost panel of several solvers.
SOLVER_STYLES = ("-", "--", ":", "-.")

# Where the satisfiable fraction of large random 3-CNF formulas drops through one half.
THRESHOLD_RATIO = 4.26
DEFAULT_SIZE = (1200, 500)
SIZE_LIMITS = (300, 10000)
DPI = 100


# Whole numbers beyond this are no count or index a sweep writes.
LARGEST_WHOLE = 2**63 - 1


class Refusal(Exception):
    """Input that cannot be plotted or output that cannot be written; the message says why."""


class Interrupted(Exception):
    """SIGINT or SIGTERM: stop, leave no file behind, exit with this status."""

    def __init__(self, status):
        super().__init__(status)
        self.status = status


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
    # Whose cost median_steps, q1_steps and q3_steps are, in what unit.
    solver: str = "splitting"
    unit: str = "steps"


# ---------------------------------------------------------------- reading

def read_sweep(text, name):
    """The cell records of a sweep's CSV or JSON Lines, in the order given."""
    if not text.strip():
        raise Refusal(f"{name} is empty: expected the CSV or JSON Lines that satphase sweep writes")
    lines = text.splitlines(keepends=True)
    cut_off = not lines[-1].endswith(("\n", "\r"))
    first = next(i for i, line in enumerate(lines) if line.strip())
    head = lines[first].lstrip()
    if head.startswith("Num of vars"):
        raise Refusal(f"{name} is the sweep's table; to plot a sweep, run it with "
                      "--format csv or --format jsonl")
    if head.startswith("{"):
        first = _skip_sweep_line(lines, first, name)
    records = (_jsonl_records if head.startswith("{") else _csv_records)(lines, first, name, cut_off)
    names = set(next(records))
    if not names & (set(CELL_COLUMNS) | set(FORMULA_ONLY_COLUMNS)):
        raise Refusal(f"{name} is not the output of satphase sweep: line {first + 1} names "
                      "none of its columns")
    if cut_off:
        raise Refusal(f"{name} line {len(lines)}: cut off (the input ends in the middle of a line)")
    if set(FORMULA_ONLY_COLUMNS) <= names:
        raise Refusal(f"{name} holds one record per formula (sweep --per-formula); "
                      "plot the sweep's per-cell output instead")
    used = SOLVER_USED_COLUMNS if "solver" in names else USED_COLUMNS
    missing = [column for column in used if column not in names]
    if missing:
        raise Refusal(f"{name} line {first + 1}: missing column{'s' if len(missing) > 1 else ''} "
                      + ", ".join(missing))

    cells, seen = [], {}
    for line, record in records:
        cell = _cell(record, f"{name} line {line}")
        earlier = seen.setdefault((cell.vars, cell.ratio, cell.solver), line)
        if earlier != line:
            whose = f" and solver {cell.solver}" if "solver" in names else ""
            raise Refusal(f"{name} line {line}: a second cell for {cell.vars} variables at "
                          f"ratio {cell.ratio:g}{whose} (the first is on line {earlier})")
        cells.append(cell)
    if not cells:
        raise Refusal(f"{name} has a header but no cells")
    return cells


def _skip_sweep_line(lines, first, name):
    """JSON Lines open with a line that describes the sweep: the records follow it."""
    try:
        opening = json.loads(lines[first])
    except (ValueError, RecursionError):
        return first
    if not isinstance(opening, dict) or not isinstance(opening.get("sweep"), dict):
        return first
    if opening["sweep"].get("per_formula") is True:
        raise Refusal(f"{name} holds one record per formula (sweep --per-formula); "
                      "plot the sweep's per-cell output instead")
    following = [i for i in range(first + 1, len(lines)) if lines[i].strip()]
    if not following:
        raise Refusal(f"{name} has a header but no cells")
    return following[0]


def _csv_records(lines, first, name, cut_off):
    """Yields the header's names, then (line number, record) for each row."""
    rows = csv.reader(lines[first:], strict=True)
    try:
        header = next(rows)
        yield header
        for row in rows:
            line = first + rows.line_num
            if not row:
                continue
            if len(row) != len(header):
                raise Refusal(f"{name} line {line}: {len(row)} fields where the header has "
                              f"{len(header)}")
            yield line, dict(zip(header, row))
    except csv.Error as error:
        raise Refusal(f"{name} line {first + rows.line_num}: {error}") from None


def _jsonl_records(lines, first, name, cut_off):
    """Yields the first record's names, then (line number, record) for each line."""

    def parse(index):
        try:
            record = json.loads(lines[index])
        except RecursionError:
            raise Refusal(f"{name} line {index + 1}: JSON nested too deeply for a record") from None
        except ValueError:
            record = None
        if isinstance(record, dict):
            return record
        if cut_off and index == len(lines) - 1:
            raise Refusal(f"{name} line {index + 1}: cut off (the input ends in the middle of a line)")
        if index == first:
            raise Refusal(f"{name} is not the output of satphase sweep: line {index + 1} is not "
                          "a JSON object")
        raise Refusal(f"{name} line {index + 1}: not a JSON object")

    yield parse(first).keys()
    for index in range(first, len(lines)):
        if lines[index].strip():
            record = parse(index)
            used = SOLVER_USED_COLUMNS if "solver" in record else USED_COLUMNS
            missing = [column for column in used if column not in record]
            if missing:
                raise Refusal(f"{name} line {index + 1}: missing " + ", ".join(missing))
            yield index + 1, record


def _cell(record, where):
    def number(key, whole=False):
        value = record[key]
        if isinstance(value, str):
            try:
                value = int(value) if whole else float(value)
            except ValueError:
                value = None
        kind = "a whole number" if whole else "a number"
        if isinstance(value, bool) or not isinstance(value, int if whole else (int, float)):
            raise Refusal(f"{where}: {key} is {_shown(record[key])}, not {kind}")
        try:
            finite = math.isfinite(value) and abs(value) <= (LARGEST_WHOLE if whole else math.inf)
        except OverflowError:  # an integer beyond any float
            finite = False
        if not finite:
            raise Refusal(f"{where}: {key} is {_shown(record[key])}, not {kind} within range")
        return value

    cost = SOLVER_COLUMNS if "solver" in record else {c: c for c in SOLVER_COLUMNS}
    cell = Cell(cell=number("cell", True), vars=number("vars", True), ratio=number("ratio"),
                trials=number("trials", True), sat_fraction=number("sat_fraction"),
                sat_low=number("sat_low"), sat_high=number("sat_high"),
                median_steps=number(cost["median_steps"]), q1_steps=number(cost["q1_steps"]),
                q3_steps=number(cost["q3_steps"]), start_state=str(record["start_state"]),
                solver=str(record.get("solver", "splitting")),
                unit=str(record.get("cost_unit", "steps")))
    if cell.vars < 1 or cell.trials < 1 or cell.ratio <= 0:
        raise Refusal(f"{where}: vars, trials and ratio must be positive")
    if not 0 <= cell.sat_low <= cell.sat_fraction <= cell.sat_high <= 1:
        raise Refusal(f"{where}: sat_low {cell.sat_low:g}, sat_fraction {cell.sat_fraction:g}, "
                      f"sat_high {cell.sat_high:g} are not an interval in [0, 1] around the fraction")
    if not 0 <= cell.q1_steps <= cell.median_steps <= cell.q3_steps:
        q1, median, q3 = (cost[c] for c in ("q1_steps", "median_steps", "q3_steps"))
        raise Refusal(f"{where}: {q1} {cell.q1_steps:g}, {median} {cell.median_steps:g}, "
                      f"{q3} {cell.q3_steps:g} are not in order")
    return cell


def _shown(value):
    """A value as a message shows it: one short line."""
    text = repr(value) if not isinstance(value, int) or abs(value) < 10**30 else "a huge number"
    return text if len(text) <= 40 else text[:37] + "..."


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
    """The numbers behind the figure, as lines of text."""
    several = any(size.solver_cells for size in sizes)
    header = ("vars", "sat = 1/2 at ratio", "Crawford-Auton", "highest median at ratio", "median")
    if several:  # the peaks are each solver's, below
        header = header[:3]
    rows = []
    for size in sizes:
        if not size.estimated:
            rows.append((str(size.vars), "-", f"{crawford_auton(size.vars):.2f}", "-", "-"))
            continue
        cross = "not crossed" if size.crossover is None else f"{size.crossover:.2f}"
        ratio, median = size.peak
        where = f"{ratio:g}"
        if ratio in (size.cells[0].ratio, size.cells[-1].ratio):
            where += " (grid edge)"
        rows.append((str(size.vars), cross, f"{crawford_auton(size.vars):.2f}", where, f"{median:.10g}"))
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
    """The figure with its two panels."""
    try:
        import matplotlib
        matplotlib.use("Agg")
        from matplotlib.figure import Figure
        from matplotlib.lines import Line2D
        from matplotlib.patches import Patch
    except ImportError:
        raise Refusal(f"{sys.executable} has no matplotlib; install the Debian package "
                      "python3-matplotlib") from None

    width, height = pixels
    figure = Figure(figsize=(width / DPI, height / DPI), dpi=DPI, layout="constrained")
    figure.suptitle(f"{title}\n{subtitle(cells)}")
    fraction_axes, steps_axes = figure.subplots(1, 2)

    fraction_axes.set_title("Satisfiable fraction")
    fraction_axes.set_xlabel("clauses per variable")
    fraction_axes.set_ylabel("fraction of formulas satisfiable")
    fraction_axes.set_ylim(-0.03, 1.03)
    fraction_axes.axvline(THRESHOLD_RATIO, color="0.4", linestyle="--", linewidth=1)
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

    fraction_axes.legend(fontsize="small", handles=fraction_axes.get_legend_handles_labels()[0] + [
        Line2D([], [], color="0.4", linestyle="--", linewidth=1, label=f"ratio {THRESHOLD_RATIO}"),
        Line2D([], [], color="0.6", linestyle="none", marker="D", markeredgecolor="black",
               label="Crawford & Auton crossover")])
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


def figure_metadata(extension):
    """What the figure says of its making: run by `satphase plot`, the version and
    commit of that satphase (SATPHASE_MADE_BY) in the PNG's Software text chunk or
    the SVG's Dublin Core creator. The SVG carries no date, so that the same sweep
    drawn by the same programs gives the same bytes."""
    import matplotlib
    metadata = {"Date": None} if extension == "svg" else {}
    made_by = os.environ.get("SATPHASE_MADE_BY")
    if made_by:
        metadata["Creator" if extension == "svg" else "Software"] = (
            f"{made_by} with Matplotlib v{matplotlib.__version__}")
    return metadata


def write_figure(figure, prefix, report_lines):
    """Writes PREFIX.png and PREFIX.svg and prints the report, all or nothing.

    Both files go to temporaries first; the report is printed and flushed, and
    only then do the files take their names. Any failure, an interruption
    included, removes the temporaries and leaves what was there before.
    """
    import matplotlib
    for extension in ("png", "svg"):
        # The one renaming that could fail after the other succeeded.
        if os.path.isdir(f"{prefix}.{extension}"):
            raise Refusal(f"cannot write {prefix}.{extension}: it is a directory")
    done, path = [], prefix
    try:
        try:
            for extension in ("png", "svg"):
                path = f"{prefix}.{extension}"
                temporary = f"{path}.{os.getpid()}.tmp"
                with open(temporary, "xb") as out:  # exclusive: never through a link
                    done.append((temporary, path))
                    # The salt and the missing date keep the SVG of the same sweep the same.
                    with matplotlib.rc_context({"svg.hashsalt": "satphase"}):
                        figure.savefig(out, format=extension, dpi=DPI,
                                       metadata=figure_metadata(extension))
        except OSError as error:
            raise Refusal(f"cannot write {path}: {error.strerror}") from None
        try:
            sys.stdout.write("\n".join(report_lines) + "\n")
            sys.stdout.flush()
        except OSError as error:
            _silence_stdout()
            raise Refusal(f"cannot write to standard output: {error.strerror}; "
                          "no file written") from None
        for temporary, path in done:
            os.replace(temporary, path)
        done = []
    except OSError as error:
        raise Refusal(f"cannot write {path}: {error.strerror}") from None
    finally:
        for temporary, _ in done:
            try:
                os.remove(temporary)
            except OSError:
                pass


def _silence_stdout():
    """Standard output that failed goes to /dev/null, so that the exit does not
    report the failure a second time while flushing it."""
    try:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    except (OSError, ValueError):
        pass


def _interrupt(signum, _frame):
    raise Interrupted(130 if signum == signal.SIGINT else 143)


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
Draws the phase transition of random 3-CNF formulas from the results of
satphase sweep: one figure with two panels, against clauses per variable,
one curve per number of variables:
  - the satisfiable fraction, with each point's 95 % interval as an error bar,
    a line at ratio 4.26 and Crawford and Auton's crossover for each size;
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
    parser.add_argument("--title", default="Random 3-CNF formulas: the phase transition",
                        metavar="TEXT",
                        help="first line of the title; the second says the trials per cell "
                             "and the seed (default: %(default)s)")
    arguments = parser.parse_args(argv)
    if arguments.input == "-" and sys.stdin.isatty():
        parser.error("no input: name a sweep's CSV or JSON Lines file, or pipe one in")
    for extension in (".png", ".svg"):
        if arguments.output.endswith(extension):
            arguments.output = arguments.output[:-len(extension)]
    return arguments


def read_input(path):
    """(name for messages, text) of the file or of standard input."""
    try:
        if path == "-":
            return "standard input", sys.stdin.buffer.read().decode("utf-8-sig")
        with open(path, "rb") as source:
            return path, source.read().decode("utf-8-sig")
    except OSError as error:
        raise Refusal(f"cannot read {path}: {error.strerror}") from None
    except UnicodeDecodeError:
        name = "standard input" if path == "-" else path
        raise Refusal(f"{name} is not the output of satphase sweep: not UTF-8 text") from None


def main(argv=None):
    arguments = parse_arguments(argv)
    try:
        name, text = read_input(arguments.input)
        cells = read_sweep(text, name)
        sizes = by_size(cells)
        lines = report(sizes) + [f"Wrote {arguments.output}.png and {arguments.output}.svg"]
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # layout and log-axis notices are not errors
            write_figure(draw(sizes, cells, arguments.title, arguments.size), arguments.output,
                         lines)
    except Refusal as refusal:
        print(f"{PROG}: {refusal}", file=sys.stderr)
        return 1
    except Interrupted as interruption:
        print(f"{PROG}: interrupted; no file written", file=sys.stderr)
        return interruption.status
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGINT, _interrupt)
    signal.signal(signal.SIGTERM, _interrupt)
    try:
        sys.exit(main())
    except Interrupted as interruption:  # before or after the work itself
        sys.exit(interruption.status)
    except Exception as error:  # a fault of this program; still one line, not a traceback
        print(f"{PROG}: internal error: {type(error).__name__}: {error}", file=sys.stderr)
        sys.exit(1)
