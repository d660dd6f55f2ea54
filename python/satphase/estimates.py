"""The numbers `satphase plot` prints beside its figure, from a sweep's cells.

Per size: where the satisfiable fraction crosses one half, interpolated
between the grid points around it, and the ratio of the highest median; with
several solvers, each solver's peak; and what a thin sweep leaves unestimated.
Needs only the standard library.
"""

from dataclasses import dataclass

# Where the satisfiable fraction of large random 3-CNF formulas drops through one half,
# as the classic figures have always marked it.
THRESHOLD_RATIO = 4.26
# The satisfiability thresholds of uniform random k-SAT (Mertens, Mezard and
# Zecchina 2006; 1 for 2-SAT exactly), marked for the other models: planted
# formulas are always satisfiable, but their hardness follows the same ratio.
UNIFORM_THRESHOLDS = {2: 1, 3: 4.267, 4: 9.931, 5: 21.117, 6: 43.37, 7: 87.79}
# (2+p)-SAT's threshold is 2-SAT's, 1 / (1 - p) (Monasson, Zecchina,
# Kirkpatrick, Selman and Troyansky 1999), for p up to about this; beyond it
# the transition turns discontinuous, as 3-SAT's, and no value is marked.
MIXED_CONTINUOUS_P = 0.4


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
    p: float = None  # the mixed model's
    # Whose cost median_steps, q1_steps and q3_steps are, in what unit.
    solver: str = "splitting"
    unit: str = "steps"


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


def threshold(model, k, p=None):
    """The ratio the figures mark for formulas of `model` with k literals a
    clause (and p, of the mixed model), or None where none is known."""
    if model == "mixed":
        return mixed_threshold(p)
    return THRESHOLD_RATIO if model == "classic" else UNIFORM_THRESHOLDS[k]


def mixed_threshold(p):
    """1 / (1 - p) for a mixed model's p up to MIXED_CONTINUOUS_P, else None."""
    return 1 / (1 - p) if p <= MIXED_CONTINUOUS_P else None


def default_title(model, k, p=None):
    if model == "classic":
        return "Random 3-CNF formulas: the phase transition"
    if model == "mixed":
        return f"Random (2+p)-CNF formulas, p = {p:g}: the phase transition"
    return f"Random {k}-CNF formulas of the {model} model: the phase transition"


# The sizes Crawford and Auton's crossover fit was made on (uniform 3-SAT); outside them
# the figure marks it hollow, as an extrapolation.
CRAWFORD_AUTON_SIZES = (20, 300)


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
        three_sat = size.cells[0].k == 3 and size.cells[0].model != "mixed"
        fit = f"{crawford_auton(size.vars):.2f}" if three_sat else "-"
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
