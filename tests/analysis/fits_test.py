"""The threshold fits on counts drawn from a known transition: they find it, and their
95 % intervals hold it as often as they claim."""

import csv
import os
import unittest

import numpy as np
from scipy import special

from satphase import threshold_fits

TRUE = {"alpha_c": 4.2, "nu": 1.5, "b": 2.0, "y0": 0.3}


def synthetic(seed, sizes=(25, 50, 100, 200), ratios=np.arange(3.8, 4.81, 0.1), trials=300):
    """(vars, ratio, sat, trials) per cell, binomial around the true scaling curve."""
    generator = np.random.default_rng(seed)
    cells = []
    for n in sizes:
        for ratio in ratios:
            y = (ratio / TRUE["alpha_c"] - 1) * n ** (1 / TRUE["nu"])
            p = special.expit(-TRUE["b"] * (y - TRUE["y0"]))
            cells.append((n, float(ratio), int(generator.binomial(trials, p)), trials))
    return cells


def true_alpha_50(n):
    return TRUE["alpha_c"] * (1 + TRUE["y0"] * n ** (-1 / TRUE["nu"]))


def fit_all(cells):
    sizes = []
    for n in sorted({c[0] for c in cells}):
        mine = [c for c in cells if c[0] == n]
        sizes.append(threshold_fits.fit_size(n, *zip(*[c[1:] for c in mine])))
    scaling = threshold_fits.fit_scaling(sizes, cells)
    return sizes, scaling, threshold_fits.fit_limit(sizes, scaling)


class RecoveryTest(unittest.TestCase):
    def test_known_transition_is_found(self):
        sizes, scaling, limit = fit_all(synthetic(1))
        self.assertAlmostEqual(scaling.alpha_c, TRUE["alpha_c"], delta=0.03)
        # alpha_50(n) = alpha_c + alpha_c y0 n^(-1/nu): the limit is alpha_c.
        self.assertAlmostEqual(limit.alpha_inf, TRUE["alpha_c"], delta=0.03)
        self.assertAlmostEqual(limit.a, TRUE["alpha_c"] * TRUE["y0"], delta=0.3)
        self.assertLess(limit.alpha_inf_low, limit.alpha_inf)
        self.assertLess(limit.alpha_inf, limit.alpha_inf_high)
        self.assertAlmostEqual(scaling.nu, TRUE["nu"], delta=0.15)
        self.assertAlmostEqual(scaling.y0, TRUE["y0"], delta=0.1)  # which side is satisfiable
        self.assertAlmostEqual(scaling.b, TRUE["b"], delta=0.3)
        self.assertGreater(scaling.p_value, 0.01)
        for size in sizes:
            self.assertLess(size.alpha_50_low, size.alpha_50)
            self.assertLess(size.alpha_50, size.alpha_50_high)
            self.assertAlmostEqual(size.alpha_50, true_alpha_50(size.vars), delta=0.03)
            width = 2 * np.log(9) * TRUE["alpha_c"] / (TRUE["b"] * size.vars ** (1 / TRUE["nu"]))
            self.assertAlmostEqual(size.width / width, 1, delta=0.15)

    def test_intervals_hold_the_truth_nineteen_times_in_twenty(self):
        held = np.zeros(4)
        for seed in range(40):
            sizes, scaling, limit = fit_all(synthetic(100 + seed, sizes=(25, 50, 100),
                                                      ratios=np.arange(3.8, 4.81, 0.125)))
            held += [scaling.alpha_c_low <= TRUE["alpha_c"] <= scaling.alpha_c_high,
                     scaling.nu_low <= TRUE["nu"] <= scaling.nu_high,
                     sizes[1].alpha_50_low <= true_alpha_50(50) <= sizes[1].alpha_50_high,
                     limit.alpha_inf_low <= TRUE["alpha_c"] <= limit.alpha_inf_high]
        for name, count in zip(("alpha_c", "nu", "alpha_50", "alpha_inf"), held):
            self.assertGreaterEqual(count, 36, name)


class ScatterTest(unittest.TestCase):
    def test_cells_scattered_beyond_binomial_noise_widen_the_interval(self):
        ratios = np.arange(3.8, 4.81, 0.1)
        smooth = np.round(300 * special.expit(-8 * (ratios - 4.3)))
        scattered = np.clip(smooth + 25 * (-1) ** np.arange(len(ratios)), 0, 300)
        narrow, wide = (threshold_fits.fit_size(50, ratios, sat, [300] * len(ratios))
                        for sat in (smooth, scattered))
        self.assertEqual((narrow.dispersion, narrow.poor), (1, False))
        self.assertGreater(wide.dispersion, 3)
        self.assertTrue(wide.poor)
        self.assertGreater((wide.alpha_50_high - wide.alpha_50_low)
                           / (narrow.alpha_50_high - narrow.alpha_50_low), 1.5)


class WindowTest(unittest.TestCase):
    def test_the_same_sweep_cut_to_other_grids_gives_alpha_50_within_its_interval(self):
        cells = {}  # the README's sweep at 50 variables: ratio -> [sat, trials]
        path = os.path.join(os.path.dirname(__file__), "..", "..", "docs", "threshold-sweep.csv")
        with open(path, newline="") as sweep:
            for row in csv.DictReader(sweep):
                if row["vars"] == "50":
                    cell = cells.setdefault(int(row["clauses"]) / 50, [0, 0])
                    cell[0] += int(row["satisfiable"])
                    cell[1] += 1
        fits = {}
        for low, high in ((4.0, 4.6), (4.1, 4.6), (4.0, 4.5), (4.2, 4.6), (4.25, 4.5)):
            ratios = [ratio for ratio in sorted(cells) if low - 1e-9 <= ratio <= high + 1e-9]
            fits[low, high] = threshold_fits.fit_size(50, ratios, *zip(*map(cells.get, ratios)))
        whole = fits[4.0, 4.6]
        self.assertEqual((round(whole.alpha_50, 3), whole.window), (4.356, (4.1, 4.6, 11)))
        for grid, fit in fits.items():
            self.assertTrue(whole.alpha_50_low <= fit.alpha_50 <= whole.alpha_50_high, grid)
            self.assertTrue(fit.alpha_50_low <= whole.alpha_50 <= fit.alpha_50_high, grid)


class ThinInputTest(unittest.TestCase):
    def test_what_cannot_be_estimated_is_named(self):
        cells = synthetic(2, sizes=(25, 100))
        sizes, scaling, limit = fit_all(cells)
        self.assertEqual(scaling, "nu needs three sizes that cross one half, the input has 2")
        self.assertEqual(limit, "alpha_inf needs three sizes with a closed interval of alpha_50, "
                                "the input has 2")
        self.assertTrue(all(size.alpha_50 is not None for size in sizes))
        for ratios, sat, reason in [
                ([3.8], [290], "one ratio only"),
                ([3.8, 4.0, 4.2], [300, 280, 200], r"does not straddle one half \(satisfiable "
                                                   r"fraction 0\.667 to 1\)"),
                ([3.8, 4.0, 4.2], [300, 150, 0], "falls between grid points"),
                ([3.8, 4.0, 4.2], [100, 150, 250], "does not fall as the ratio grows")]:
            fit = threshold_fits.fit_size(40, ratios, sat, [300] * len(ratios))
            self.assertIsNone(fit.alpha_50)
            self.assertRegex(fit.lacking, reason)

    def test_sizes_that_do_not_sharpen_have_no_nu(self):
        alike = [(n, ratio, sat, trials) for n in (25, 50, 100)
                 for _, ratio, sat, trials in synthetic(3, sizes=(50,))]
        self.assertRegex(fit_all(alike)[1], "^the sizes do not fall on one curve")
        self.assertRegex(fit_all(alike)[2], "^alpha_inf needs nu from the joint fit: the sizes")


if __name__ == "__main__":
    unittest.main()
