"""The cost measures: the sweep's median, the peak and its bootstrap, the tails."""

import unittest

from satphase import cost_measures
from satphase.analysis import Cell, Solver


def cell(alpha, costs, satisfiable=None):
    formulas = satisfiable is not None
    return Cell(10, alpha, alpha, trials=len(costs), sat=sum(satisfiable or []),
                satisfiable=satisfiable,
                solvers={"splitting": Solver("splitting", "steps", median=None if formulas
                                             else costs[0], costs=costs if formulas else None)})


class PeakTest(unittest.TestCase):
    def test_highest_median_lowest_ratio_on_a_tie(self):
        peak = cost_measures.peak([cell(4, [5]), cell(4.5, [9]), cell(5, [9]), cell(5.5, [3])],
                                  "splitting")
        self.assertEqual((peak.ratio, peak.median, peak.at_edge, peak.low), (4.5, 9, False, None))
        self.assertTrue(cost_measures.peak([cell(4, [9]), cell(4.5, [3])], "splitting").at_edge)

    def test_bootstrap_over_formulas(self):
        # Element trials / 2 of the sorted costs, as the sweep takes it: 40, not 23.5.
        clear = [cell(4, [1, 2, 3, 4], [True] * 4), cell(4.5, [40, 7, 5, 90], [True] * 4),
                 cell(5, [3, 3, 3, 3], [True] * 4)]
        peak = cost_measures.peak(clear, "splitting")
        self.assertEqual((peak.ratio, peak.median, peak.low, peak.high), (4.5, 40, 4.5, 4.5))
        # Two cells alike: either may peak, and the interval says so.
        alike = [cell(4, [1, 9] * 20, [True] * 40), cell(4.5, [9, 1] * 20, [False] * 40)]
        peak = cost_measures.peak(alike, "splitting")
        self.assertEqual((peak.low, peak.high), (4, 4.5))


class TailTest(unittest.TestCase):
    def test_mean_over_median_per_verdict(self):
        sat, unsat = cost_measures.tails(
            cell(4.2, [1, 5, 2, 5, 3, 6, 10], [True, False, True, False, True, False, True]),
            "splitting")
        self.assertEqual((sat.formulas, unsat.formulas), (4, 3))
        self.assertAlmostEqual(sat.mean_to_median, 4 / 3)  # mean 4, median 3
        self.assertAlmostEqual(unsat.mean_to_median, 16 / 15)  # mean 16/3, median 5
        sat, unsat = cost_measures.tails(cell(4.2, [0, 4], [True, True]), "splitting")
        self.assertEqual((sat.mean_to_median, unsat.formulas, unsat.mean_to_median), (0.5, 0, None))

    def test_survival_counts_ties_once(self):
        x, beyond = cost_measures.survival([2, 1, 3, 1])
        self.assertEqual((list(x), list(beyond)), ([1, 2], [0.5, 0.25]))


if __name__ == "__main__":
    unittest.main()
