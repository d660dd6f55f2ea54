"""The numbers printed beside the figure, from small hand-made tables."""

import json
import os
import unittest

from satphase import estimates, plotting as plot, records

HERE = os.path.dirname(os.path.abspath(__file__))


class CrossoverTest(unittest.TestCase):
    def test_interpolated_around_one_half_a_grid_point_there_itself_and_one_side_only_none(self):
        for points, expected in [([(3, 1.0), (4, 0.8), (5, 0.3), (6, 0.0)], 4.6),
                                 # Noise that crosses back: the first crossing counts.
                                 ([(4, 0.7), (4.5, 0.4), (5, 0.55), (6, 0.1)], 4 + 1 / 3),
                                 ([(4, 0.9), (4.5, 0.5), (5, 0.1)], 4.5), ([(4, 0.5), (5, 0.1)], 4),
                                 ([(4, 0.9), (5, 0.5)], 5), ([(2, 1.0), (3, 0.6)], None),
                                 ([(6, 0.2), (7, 0.0)], None), ([(4, 0.7)], None)]:
            with self.subTest(points=points):
                self.assertAlmostEqual(estimates.crossover(points), expected)

    def test_crawford_and_auton_as_a_ratio(self):
        # Their fit gives 217.19 clauses for 50 variables.
        self.assertAlmostEqual(estimates.crawford_auton(50) * 50, 217.19, places=2)


def cell(vars, ratio, sat_fraction, median, trials=301, index=1, state="7"):
    return estimates.Cell(index, vars, ratio, trials, sat_fraction, 0, 1, median, 0, median * 2, state)


class PerSizeTest(unittest.TestCase):
    def test_estimates_follow_the_ratio_not_the_order_of_the_cells(self):
        # A sweep keeps the order its ratios were given in.
        cells = [cell(20, 5, 0.3, 250), cell(20, 3, 1.0, 38), cell(20, 8, 0.0, 122),
                 cell(20, 4, 0.8, 123), cell(10, 4.5, 0.7, 48)]
        twenty = {size.vars: size for size in estimates.by_size(cells)}[20]
        self.assertAlmostEqual(twenty.crossover, 4.6)
        self.assertEqual(twenty.peak, (5, 250))

    def test_two_ratios_are_enough_and_a_tied_peak_is_the_lower_ratio(self):
        size = estimates.by_size([cell(30, 5, 0.2, 90), cell(30, 4, 0.9, 90)])[0]
        self.assertAlmostEqual(size.crossover, 4 + 0.4 / 0.7)
        self.assertEqual(size.peak, (4, 90))

    def test_title_says_the_trials_and_the_seed_of_cell_0(self):
        with open(os.path.join(HERE, "classic.csv")) as fixture:
            cells = plot.read_sweep(fixture.read(), "classic.csv")
        self.assertEqual(estimates.subtitle(cells[::-1]), "301 trials per cell, seed 64540")
        self.assertEqual(estimates.subtitle([cell(10, 4, 1, 1, trials=99, index=0, state="5"), cells[3]]),
                         "99 to 301 trials per cell (the cells differ), seed 5")


def solver_record(ratio, sat, solver, unit, median, cell_index):
    fraction, low, high = records.sat_interval(10 - sat, 10)
    return json.dumps({"cell": cell_index, "vars": 20, "clauses": int(20 * ratio), "ratio": ratio,
                       "trials": 10, "unsat": 10 - sat, "sat_fraction": fraction, "sat_low": low,
                       "sat_high": high, "solver": solver, "cost_unit": unit, "median_cost": median,
                       "q1_cost": 0, "q3_cost": median, "mean_cost": median, "max_cost": median,
                       "seconds": 0.1, "start_state": 5})


class SeveralSolversTest(unittest.TestCase):
    def test_each_solver_peaks_on_its_own_costs(self):
        costs = {"splitting": [40, 300, 200], "dpll": [3, 7, 9]}  # peaks at 4.5 and 5
        lines = ['{"sweep":{"vars":[20],"ratios":[4.0,4.5,5.0],"trials":10,"seed":5,'
                 '"per_formula":false,"solvers":["splitting","dpll"]}}']
        for i, (ratio, sat) in enumerate([(4.0, 8), (4.5, 5), (5.0, 2)]):
            for solver, unit in (("splitting", "steps"), ("dpll", "branches")):
                lines.append(solver_record(ratio, sat, solver, unit, costs[solver][i], i))
        cells = plot.read_sweep("\n".join(lines) + "\n", "s.jsonl")
        size = estimates.by_size(cells)[0]
        self.assertEqual(size.solver_peaks(), {"splitting": (4.5, 300), "dpll": (5.0, 9)})
        self.assertAlmostEqual(size.crossover, 4.5)
        report = estimates.report([size])
        self.assertIn("  20       dpll            5 (grid edge)  9 branches", report)
        self.assertIn("  20  splitting                      4.5   300 steps", report)
        # Peaks at one ratio and height (1 once normalised) stay apart: nested marks.
        figure = plot.draw([size], cells, None, plot.DEFAULT_SIZE)
        self.assertEqual({line.get_gid(): (line.get_marker(), line.get_markersize())
                          for line in figure.axes[1].get_lines()
                          if line.get_gid().startswith("peak-")},
                         {"peak-splitting-20": ("*", 14), "peak-dpll-20": ("o", 10)})
        # The same cell and solver twice is refused; the same cell of another solver is not.
        with self.assertRaisesRegex(plot.Refusal,
                                    "line 8: a second record of cell 2 and solver dpll"):
            plot.read_sweep("\n".join(lines + [lines[-1]]) + "\n", "s.jsonl")


if __name__ == "__main__":
    unittest.main()
