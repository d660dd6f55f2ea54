"""Where the cost peaks and how heavy its tail is, per size and solver.

The median is the sweep's own: element trials / 2 of the sorted costs, so that
a per-formula file gives the medians its per-cell twin holds.
"""

from dataclasses import dataclass

import numpy as np

BOOTSTRAP_RESAMPLES = 1000
BOOTSTRAP_SEED = 20260
_CHUNK = 1 << 20  # resampled costs held at once


def sweep_median(costs):
    costs = np.sort(np.asarray(costs, float))
    return float(costs[len(costs) // 2])


@dataclass
class Peak:
    solver: str
    unit: str
    ratio: float  # of the highest median; the lowest such ratio on a tie
    median: float
    low: float = None  # 95 % bootstrap interval of the ratio; per-formula input only
    high: float = None
    at_edge: bool = False  # the highest median is the grid's first or last ratio


def peak(cells, solver, seed=BOOTSTRAP_SEED, resamples=BOOTSTRAP_RESAMPLES):
    """The highest median of one size's cells (sorted by ratio) for one solver.

    With every formula's cost at hand, the formulas of each cell are resampled
    with replacement and the peak found again, resamples times; the interval is
    the 2.5 and 97.5 percentiles of the ratios found.
    """
    assert cells and all(solver in cell.solvers for cell in cells)
    solvers = [cell.solvers[solver] for cell in cells]
    medians = [s.median if s.costs is None else sweep_median(s.costs) for s in solvers]
    best = int(np.argmax(medians))
    result = Peak(solver, solvers[0].unit, cells[best].alpha, medians[best],
                  at_edge=len(cells) > 1 and best in (0, len(cells) - 1))
    if solvers[0].costs is None:
        return result
    generator = np.random.default_rng([seed, cells[0].vars])
    resampled = np.column_stack([_resampled_medians(s.costs, generator, resamples)
                                 for s in solvers])
    found = np.array([cell.alpha for cell in cells])[np.argmax(resampled, axis=1)]
    result.low, result.high = (float(np.quantile(found, q, method="inverted_cdf"))
                               for q in (0.025, 0.975))
    return result


def _resampled_medians(costs, generator, resamples):
    costs = np.asarray(costs, float)
    middle = len(costs) // 2
    rows = max(1, _CHUNK // len(costs))
    medians = []
    for start in range(0, resamples, rows):
        draws = costs[generator.integers(0, len(costs), (min(rows, resamples - start), len(costs)))]
        medians.append(np.partition(draws, middle, axis=1)[:, middle])
    return np.concatenate(medians)


def nearest_cell(cells, ratio):
    """The cell whose clauses per variable are nearest ratio; the lower one on a tie."""
    return min(cells, key=lambda cell: (abs(cell.alpha - ratio), cell.alpha))


@dataclass
class Tail:
    """One verdict's formulas in one cell: how many, and the mean over the median cost."""
    formulas: int
    mean_to_median: float  # None: no formulas, or a median of 0


def tails(cell, solver):
    """(satisfiable Tail, unsatisfiable Tail) of one cell's per-formula costs."""
    costs = np.asarray(cell.solvers[solver].costs, float)
    verdicts = np.asarray(cell.satisfiable, bool)
    result = []
    for chosen in (costs[verdicts], costs[~verdicts]):
        median = sweep_median(chosen) if len(chosen) else 0.0
        result.append(Tail(len(chosen), float(chosen.mean()) / median if median > 0 else None))
    return tuple(result)


def survival(costs):
    """(x, P(cost > x)) at each distinct cost but the largest, where P is 0."""
    costs = np.sort(np.asarray(costs, float))
    values = np.unique(costs)[:-1]
    return values, 1.0 - np.searchsorted(costs, values, side="right") / len(costs)
